#include "app/ProgramIdentity.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QImage>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QXmlStreamReader>
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

bool installInto(const QTemporaryDir& prefix) {
    int exitCode = 0;
    const QString output = run(QStringLiteral(CMAKE_COMMAND),
                               {QStringLiteral("--install"), QStringLiteral(BUILD_DIRECTORY),
                                QStringLiteral("--prefix"), prefix.path()},
                               &exitCode);
    EXPECT_EQ(exitCode, 0) << output.toStdString();
    return prefix.isValid() && exitCode == 0;
}

// The first text of each element and the first value of each attribute, by their path:
// "component/id", "component/releases/release@version".
QMap<QString, QString> readXml(const QString& path) {
    QMap<QString, QString> values;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return values;
    QXmlStreamReader xml(&file);
    QStringList elements;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartElement:
            elements << xml.name().toString();
            for (const QXmlStreamAttribute& attribute : xml.attributes())
                values.insert(elements.join(u'/') + u'@' + attribute.name().toString(),
                              attribute.value().toString());
            break;
        case QXmlStreamReader::EndElement:
            elements.removeLast();
            break;
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace() && !values.contains(elements.join(u'/')))
                values.insert(elements.join(u'/'), xml.text().toString().trimmed());
            break;
        default:
            break;
        }
    }
    EXPECT_FALSE(xml.hasError()) << xml.errorString().toStdString();
    return values;
}

} // namespace

TEST(DesktopInstall, InstallsTheProgramItsMenuEntryAndItsIcons) {
    QTemporaryDir prefix;
    ASSERT_TRUE(installInto(prefix));
    int exitCode = 0;

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

// Software centres find the program by this metadata; it has to name the entry, the
// command and the version that the same install put in place.
TEST(DesktopInstall, InstallsMetadataAndAManualPageThatMatchTheProgram) {
    QTemporaryDir prefix;
    ASSERT_TRUE(installInto(prefix));
    const QString metainfoPath =
        prefix.filePath(QStringLiteral("share/metainfo/%1.metainfo.xml").arg(desktopId()));
    const QMap<QString, QString> metainfo = readXml(metainfoPath);
    const auto value = [&](const char* path) {
        return metainfo.value(QString::fromLatin1(path)).toStdString();
    };
    EXPECT_EQ(value("component/id"), ProgramIdentity::DesktopId);
    EXPECT_EQ(value("component/launchable@type"), "desktop-id");
    EXPECT_EQ(value("component/launchable"), desktopId().toStdString() + ".desktop");
    EXPECT_EQ(value("component/provides/binary"), ProgramIdentity::ApplicationName);
    EXPECT_EQ(value("component/releases/release@version"), PROJECT_VERSION);

    // Compressed as Debian wants it, without a time stamp, so that two builds are alike.
    QFile page(prefix.filePath(QStringLiteral("share/man/man1/KorvantaTaskList.1.gz")));
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray header = page.read(8);
    EXPECT_EQ(header.left(2), QByteArray("\x1f\x8b"));
    EXPECT_EQ(header.mid(4), QByteArray(4, '\0'));

    const QString validator = QStringLiteral(APPSTREAMCLI);
    if (validator.endsWith(QStringLiteral("NOTFOUND")))
        GTEST_SKIP() << "appstreamcli is not installed (Debian: appstream)";
    int exitCode = 0;
    const QString verdict =
        run(validator, {QStringLiteral("validate"), QStringLiteral("--no-net"), metainfoPath},
            &exitCode);
    EXPECT_EQ(exitCode, 0) << verdict.toStdString();
    // Hints may remain ("example" is no known top-level domain of an id); warnings may not.
    EXPECT_FALSE(verdict.contains(
        QRegularExpression(QStringLiteral("^[EW]:"), QRegularExpression::MultilineOption)))
        << verdict.toStdString();
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
