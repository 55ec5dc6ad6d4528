#pragma once

#include <QPixmap>
#include <QString>

// A picture of the program's resources by file name ("crossl_1.png"), taken from its
// "@2x" file where the screen has twice the pixels, so it stays sharp there.
QPixmap loadPicture(const QString& fileName);
