#include "app/linux/LinuxOsLayer.h"

#include <QDesktopServices>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

// Stands in for the desktop's opener, so no browser starts.
class Opener : public QObject {
    Q_OBJECT
public:
    explicit Opener(const QString& scheme) : scheme_(scheme) {
        QDesktopServices::setUrlHandler(scheme, this, "open");
    }
    ~Opener() override { QDesktopServices::unsetUrlHandler(scheme_); }
    std::vector<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened.push_back(url); }

private:
    QString scheme_;
};

} // namespace

TEST(LinuxShellExecute, TheAddressGoesToTheOpenerAndTheDriveFolderIsIgnored) {
    Opener browser(QStringLiteral("https"));
    LinuxOsLayer os;
    const auto result = os.ShellExecuteA(7, "open", "https://www.korvanta.example/", nullptr,
                                         "C:\\", basDeclares::SW_SHOWNORMAL);
    EXPECT_GT(result, 32);
    ASSERT_EQ(browser.opened.size(), 1u);
    EXPECT_EQ(browser.opened.front(), QUrl(QStringLiteral("https://www.korvanta.example/")));
}

TEST(LinuxShellExecute, ARelativeFileIsFoundInAFolderOfThisSystem) {
    Opener files(QStringLiteral("file"));
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    LinuxOsLayer os;
    const QByteArray directory = folder.path().toLocal8Bit();
    EXPECT_GT(os.ShellExecuteA(0, nullptr, "notes.txt", nullptr, directory.constData(), 1), 32);
    ASSERT_EQ(files.opened.size(), 1u);
    EXPECT_EQ(files.opened.front(), QUrl::fromLocalFile(folder.filePath("notes.txt")));
}

TEST(LinuxShellExecute, OtherOperationsAndAnEmptyFileOpenNothing) {
    Opener browser(QStringLiteral("https"));
    LinuxOsLayer os;
    EXPECT_LE(os.ShellExecuteA(0, "print", "https://www.korvanta.example/", nullptr, nullptr, 1),
              32);
    EXPECT_LE(os.ShellExecuteA(0, "open", "", nullptr, nullptr, 1), 32);
    EXPECT_LE(os.ShellExecuteA(0, "open", nullptr, nullptr, nullptr, 1), 32);
    EXPECT_TRUE(browser.opened.empty());
}

#include "LinuxShellExecuteTest.moc"
