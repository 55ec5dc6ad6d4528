#include "ProgramIdentity.h"

#include "chrome/Pictures.h"

#include <QApplication>
#include <QIcon>

namespace ProgramIdentity {

void apply() {
    QApplication::setApplicationName(QString::fromLatin1(ApplicationName));
    QApplication::setApplicationVersion(QString::fromLatin1(Version));
    QGuiApplication::setDesktopFileName(QString::fromLatin1(DesktopId));
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256})
        icon.addPixmap(loadPicture(QStringLiteral("app_icon_%1.png").arg(size)));
    QApplication::setWindowIcon(icon);
}

} // namespace ProgramIdentity
