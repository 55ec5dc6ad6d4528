#include "Pictures.h"

#include <QFile>
#include <QGuiApplication>

QPixmap loadPicture(const QString& fileName) {
    const QString path = QStringLiteral(":/") + fileName;
    if (qApp && qApp->devicePixelRatio() > 1.0) {
        const int dot = path.lastIndexOf(QLatin1Char('.'));
        const QString doubled = path.left(dot) + QStringLiteral("@2x") + path.mid(dot);
        if (QFile::exists(doubled)) {
            QPixmap picture(doubled);
            picture.setDevicePixelRatio(2.0);
            return picture;
        }
    }
    return QPixmap(path);
}
