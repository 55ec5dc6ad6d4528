#pragma once

#include <QString>

// A command line that this system's shell starts and that makes an empty file at path.
QString commandMaking(const QString& path);
