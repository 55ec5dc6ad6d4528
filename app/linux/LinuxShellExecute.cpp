#include "LinuxFileLimit.h"
#include "LinuxOsLayer.h"

#include <QDesktopServices>
#include <QDir>
#include <QUrl>
#include <cstring>

namespace {
// Windows' answers: above 32 means started; SE_ERR_NOASSOC when nothing handles the file.
constexpr OsLayer::HINSTANCE kStarted = 33;
constexpr OsLayer::HINSTANCE kNoAssociation = 31;
} // namespace

// The desktop's opener (xdg-open or the portal, through Qt) is handed the address and
// not waited for. The window handle and the show command have no say here: the opened
// program places its own window. A directory is used only to find a relative file name,
// and only when it names a directory of this system; a drive path such as "C:\" does not,
// so it is ignored.
OsLayer::HINSTANCE LinuxOsLayer::ShellExecuteA(HWND, const char* lpOperation, const char* lpFile,
                                               const char*, const char* lpDirectory, std::int32_t) {
    if (lpOperation && std::strcmp(lpOperation, "open") != 0)
        return kNoAssociation;
    if (!lpFile || !*lpFile)
        return kNoAssociation;
    const QString file = QString::fromLocal8Bit(lpFile);
    QString directory = lpDirectory ? QString::fromLocal8Bit(lpDirectory) : QString();
    if (!QDir::isAbsolutePath(directory) || !QDir(directory).exists())
        directory.clear();
    const QUrl target = QUrl::fromUserInput(file, directory, QUrl::AssumeLocalFile);
    if (!target.isValid())
        return kNoAssociation;
    const bool opened =
        LinuxFileLimit::startingChild([&target] { return QDesktopServices::openUrl(target); });
    return opened ? kStarted : kNoAssociation;
}
