#include "app/ProgramIdentity.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString desktopId() {
    return QString::fromLatin1(ProgramIdentity::DesktopId);
}

// Runs a program to its end within the test's time; its output is returned merged.
QString run(const QString& program, const QStringList& arguments, int* exitCode) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(45000);
    if (!finished)
        process.kill();
    process.waitForFinished(5000);
    *exitCode = finished && process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return QString::fromLocal8Bit(process.readAll());
}

} // namespace

TEST(DesktopInstall, InstallsTheProgramItsMenuEntryAndItsIcons) {
    QTemporaryDir prefix;
    ASSERT_TRUE(prefix.isValid());
    int exitCode = 0;
    const QString output = run(QStringLiteral(CMAKE_COMMAND),
                               {QStringLiteral("--install"), QStringLiteral(BUILD_DIRECTORY),
                                QStringLiteral("--prefix"), prefix.path()},
                               &exitCode);
    ASSERT_EQ(exitCode, 0) << output.toStdString();

    const QFileInfo program(prefix.filePath(QStringLiteral("bin/KorvantaTaskList")));
    EXPECT_TRUE(program.isFile() && program.isExecutable());

    const QString entryPath =
        prefix.filePath(QStringLiteral("share/applications/%1.desktop").arg(desktopId()));
    ASSERT_TRUE(QFileInfo::exists(entryPath));
    QSettings entry(entryPath, QSettings::IniFormat);
    entry.beginGroup(QStringLiteral("Desktop Entry"));
    EXPECT_EQ(entry.value(QStringLiteral("Type")).toString(), "Application");
    EXPECT_EQ(entry.value(QStringLiteral("Name")).toString(), "Korvanta Task List");
    EXPECT_EQ(entry.value(QStringLiteral("Exec")).toString(), "KorvantaTaskList");
    EXPECT_EQ(entry.value(QStringLiteral("Icon")).toString(), desktopId());
    EXPECT_EQ(entry.value(QStringLiteral("StartupWMClass")).toString(),
              ProgramIdentity::ApplicationName);

    for (const int size : {32, 48, 64, 128, 256}) {
        const QString icon = prefix.filePath(
            QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(desktopId()));
        const QImage image(icon);
        EXPECT_EQ(image.size(), QSize(size, size)) << icon.toStdString();
    }

    const QString validator = QStringLiteral(DESKTOP_FILE_VALIDATE);
    if (validator.endsWith(QStringLiteral("NOTFOUND")))
        GTEST_SKIP() << "desktop-file-validate is not installed (Debian: desktop-file-utils)";
    const QString verdict = run(validator, {entryPath}, &exitCode);
    EXPECT_EQ(exitCode, 0) << verdict.toStdString();
    EXPECT_TRUE(verdict.trimmed().isEmpty()) << verdict.toStdString();
}

TEST(DesktopInstall, TheRunningProgramNamesItsEntryAndCarriesItsIcon) {
    ProgramIdentity::apply();
    EXPECT_EQ(QGuiApplication::desktopFileName(), desktopId());
    EXPECT_EQ(QApplication::applicationName(), "KorvantaTaskList");
    EXPECT_EQ(QApplication::applicationVersion(), "1.00");
    // Left unset, so Qt adds nothing to window and message box titles.
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), QApplication::applicationName());
    const QIcon icon = QApplication::windowIcon();
    for (const int size : {16, 32, 48, 256})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
}
