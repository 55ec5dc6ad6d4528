#include "MakingCommand.h"

QString commandMaking(const QString& path) {
    return QStringLiteral("touch \"%1\"").arg(path);
}
