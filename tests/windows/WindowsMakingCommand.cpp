#include "tests/MakingCommand.h"

#include <QDir>

QString commandMaking(const QString& path) {
    return QStringLiteral("cmd /c type nul > \"%1\"").arg(QDir::toNativeSeparators(path));
}
