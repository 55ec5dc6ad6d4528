#include "app/Forms.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"
#include "run_dialog/run_dialog.h"

#include <QTest>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

// Texts nobody should type, through the real dialog and the real operating-system layer:
// each is refused with the usual message or started as it stands, and nothing breaks.

namespace {

std::vector<QString> runThroughTheDialog(const QString& text) {
    std::vector<QString> boxes;
    setMsgBoxHandler([&](const MsgBoxRequest& request) {
        boxes.push_back(request.prompt);
        return vbOK;
    });
    frmRun& dialog = Forms::Run();
    dialog.show();
    dialog.txtRun->setText(text);
    EXPECT_EQ(dialog.txtRun->text().size(), text.size()) << "the text box keeps it whole";
    dialog.cmdRun->click();
    EXPECT_FALSE(dialog.isVisible());
    return boxes;
}

} // namespace

TEST(InputLimits, ARunTextAsLongAsTheBoxHoldsIsRefusedWithItsStartInTheMessage) {
    const QString text(32767, QLatin1Char('a'));
    const std::vector<QString> boxes = runThroughTheDialog(text);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("Can't Run Application") + text.left(300) + QChar(0x2026));
    EXPECT_GT(Forms::Main().lstProcess->ListItems().Count(), 0) << "the list was refreshed";
}

TEST(InputLimits, ARunTextHoldingANulStartsNothing) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("korvanta-nul-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const QString made = QString::fromStdString((folder / "made").string());
    const QString text = QStringLiteral("touch ") + made + QChar(u'\0') + QStringLiteral("x");
    const std::vector<QString> boxes = runThroughTheDialog(text);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0], QStringLiteral("Can't Run Application") + text);
    EXPECT_FALSE(std::filesystem::exists(folder / "made"));
    std::filesystem::remove_all(folder);
}

TEST(InputLimits, AQuoteLeftOpenRunsToTheEndOfTheLine) {
    const std::filesystem::path folder =
        std::filesystem::temp_directory_path() / ("korvanta-quote-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    const QString text =
        QStringLiteral("touch \"") + QString::fromStdString(folder.string()) + "/left open";
    const std::vector<QString> boxes = runThroughTheDialog(text);
    EXPECT_TRUE(boxes.empty());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return std::filesystem::exists(folder / "left open"); }, 10000));
    std::filesystem::remove_all(folder);
}
