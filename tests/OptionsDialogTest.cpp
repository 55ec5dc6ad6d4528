#include "DrainPosted.h"
#include "FakeOsLayer.h"
#include "Ticking.h"
#include "TopLevels.h"
#include "app/Forms.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"
#include "options_dialog/frmOptions.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <vector>

namespace {

const QString kRateMessage =
    QStringLiteral("Please enter a valid numeric number in the range {10 to 10,000}");

// Collects the message boxes the dialog shows, answering each with OK.
struct Boxes {
    std::vector<MsgBoxRequest> shown;
    Boxes() {
        setMsgBoxHandler([this](const MsgBoxRequest& request) {
            shown.push_back(request);
            return vbOK;
        });
    }
};

// Shows the window and waits until it is the active one (a window hidden a moment ago can
// still count as active until its deactivation has been processed).
void showActive(QWidget& window) {
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }, 5000));
}

// Shown and active, with "abc" in the rate box, which has the focus.
void showWithBadRate(frmOptions& dialog) {
    showActive(dialog);
    dialog.Text1->setFocus();
    dialog.Text1->setText(QStringLiteral("abc"));
}

void pressTab() {
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
}

// Runs open(), which must show `dialog` modally, and the steps inside that modal loop once
// the dialog is active. What the steps leave open is hidden afterwards; a loop that never
// starts or never ends fails the test instead of hanging it.
void whileModal(QWidget& dialog, const std::function<void()>& open,
                const std::function<void()>& steps) {
    bool ran = false;
    QTimer driver;
    driver.setSingleShot(true);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        ran = true;
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog);
        steps();
        if (dialog.isVisible())
            dialog.hide();
    });
    QTimer watchdog;
    watchdog.setSingleShot(true);
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        ADD_FAILURE() << "the modal loop did not end";
        dialog.hide();
    });
    driver.start(0);
    watchdog.start(30000);
    open();
    EXPECT_TRUE(ran) << "the dialog was not shown modally";
    EXPECT_FALSE(dialog.isVisible());
}

} // namespace

TEST(OptionsDialogForm, EveryControlStandsAtItsPlaceWithItsCaptionAndColours) {
    frmOptions dialog;
    EXPECT_EQ(dialog.size(), QSize(385, 226));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.windowTitle(), "Options");
    const std::pair<const char*, QRect> places[] = {
        {"Check1", {32, 80, 145, 33}},     {"Text1", {136, 112, 89, 25}},
        {"cmdApply", {168, 176, 105, 33}}, {"cmdClose", {280, 176, 89, 33}},
        {"Label1", {48, 120, 81, 33}},     {"Label2", {232, 120, 81, 33}},
        {"CrossBtn", {360, 8, 15, 15}}};
    for (const auto& [name, geometry] : places) {
        const auto* control = dialog.findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->geometry(), geometry) << name;
    }
    EXPECT_EQ(dialog.Check1->text(), "Auto Refresh");
    EXPECT_TRUE(dialog.Check1->isChecked());
    EXPECT_EQ(dialog.Text1->text(), "600");
    EXPECT_EQ(dialog.cmdApply->text(), "&Apply");
    EXPECT_EQ(dialog.cmdClose->text(), "&Close");
    EXPECT_EQ(dialog.Label1->text(), "Refresh Rate:");
    EXPECT_EQ(dialog.Label2->text(), "milli seconds");
    for (const QWidget* control :
         std::initializer_list<const QWidget*>{dialog.Text1, dialog.Label1, dialog.Label2})
        EXPECT_TRUE(control->isEnabled());

    const QColor panel(0xB0, 0xDF, 0xFF);
    for (const QWidget* control :
         std::initializer_list<const QWidget*>{dialog.Check1, dialog.Label1, dialog.Label2}) {
        EXPECT_EQ(control->palette().color(control->backgroundRole()), panel);
        EXPECT_TRUE(control->autoFillBackground());
    }
    EXPECT_EQ(dialog.cmdApply->palette().color(QPalette::Button), QColor(0xC0, 0xC0, 0xFF));
    EXPECT_EQ(dialog.cmdClose->palette().color(QPalette::Button), QColor(0xFF, 0xC0, 0xC0));
    EXPECT_FALSE(dialog.cmdApply->autoDefault() || dialog.cmdApply->isDefault());
    EXPECT_FALSE(dialog.cmdClose->autoDefault() || dialog.cmdClose->isDefault());
    EXPECT_EQ(dialog.CrossBtn->Picture().deviceIndependentSize().toSize(), QSize(15, 15));
    EXPECT_TRUE(dialog.Timer1->Enabled());
    EXPECT_EQ(dialog.Timer1->Interval(), 0);
    EXPECT_FALSE(ticking(*dialog.Timer1));

    const QImage image = dialog.grab().toImage();
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0x80, 0xC0, 0xFF)) << "the picture's frame";
    EXPECT_EQ(image.pixelColor(100, 150), panel) << "the body panel";
    EXPECT_EQ(image.pixelColor(170, 85), panel) << "the check box";
    EXPECT_EQ(image.pixelColor(125, 150), panel) << "Label1";
    EXPECT_EQ(image.pixelColor(310, 150), panel) << "Label2";
}

TEST(OptionsDialogForm, TabRunsFromTheBoxToTheRateThenApplyAndClose) {
    frmOptions dialog;
    showActive(dialog);
    EXPECT_EQ(QApplication::focusWidget(), dialog.Check1);
    const QWidget* expected[] = {dialog.Text1, dialog.cmdApply, dialog.cmdClose, dialog.Check1};
    for (const QWidget* next : expected) {
        pressTab();
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
    drainPosted(); // leaving "600" gives no message
}

TEST(OptionsDialogForm, TheBoxSwitchesTheRateRowOnAndOff) {
    frmOptions dialog;
    showActive(dialog);
    QTest::mouseClick(dialog.Check1, Qt::LeftButton);
    EXPECT_FALSE(dialog.Check1->isChecked());
    EXPECT_FALSE(dialog.Label1->isEnabled());
    EXPECT_FALSE(dialog.Text1->isEnabled());
    EXPECT_FALSE(dialog.Label2->isEnabled());
    QTest::keyClick(dialog.Check1, Qt::Key_Space);
    EXPECT_TRUE(dialog.Check1->isChecked());
    EXPECT_TRUE(dialog.Label1->isEnabled());
    EXPECT_TRUE(dialog.Text1->isEnabled());
    EXPECT_TRUE(dialog.Label2->isEnabled());
}

TEST(OptionsDialogForm, EscapeAndEnterLeaveTheDialogOpen) {
    frmOptions dialog;
    showActive(dialog);
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Return);
    drainPosted();
    EXPECT_TRUE(dialog.isVisible());
}

TEST(OptionsRateCheck, LeavingTheBoxWithABadRateShowsTheMessageOnceAndReturnsTheFocus) {
    Boxes boxes;
    frmOptions dialog;
    showActive(dialog);
    const std::string tenThousandDigits(10000, '9');
    for (const char* text : {"abc", "9.99", "10000.5", "600ms", "", "-20", "1e400", "-0", "NaN",
                             tenThousandDigits.c_str()}) {
        boxes.shown.clear();
        dialog.Text1->setFocus();
        dialog.Text1->setText(QString::fromUtf8(text));
        pressTab();
        ASSERT_TRUE(QTest::qWaitFor([&] { return !boxes.shown.empty(); }, 5000)) << text;
        drainPosted();
        ASSERT_EQ(boxes.shown.size(), 1u) << text;
        EXPECT_EQ(boxes.shown[0].prompt, kRateMessage);
        EXPECT_EQ(boxes.shown[0].title, QStringLiteral("Invalid Input"));
        EXPECT_EQ(boxes.shown[0].buttons, 64);
        EXPECT_EQ(QApplication::focusWidget(), dialog.Text1) << text;
        EXPECT_EQ(dialog.Text1->text(), QString::fromUtf8(text)) << "the text stays as typed";
    }
    // Leaving again with the same bad text warns again.
    boxes.shown.clear();
    pressTab();
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.shown.size() == 1; }, 5000));
}

TEST(OptionsRateCheck, GoodRatesPassWithoutAMessage) {
    Boxes boxes;
    frmOptions dialog;
    showActive(dialog);
    for (const char* text : {"10", "10000", "1e3", " 600 ", "600.5", "+10", "  12  "}) {
        dialog.Text1->setFocus();
        dialog.Text1->setText(QString::fromUtf8(text));
        pressTab();
        drainPosted();
        EXPECT_TRUE(boxes.shown.empty()) << text;
        EXPECT_EQ(QApplication::focusWidget(), dialog.cmdApply) << text;
    }
}

TEST(OptionsRateCheck, NoCheckWhenAnotherWindowTakesTheFocusOrTheDialogHides) {
    Boxes boxes;
    frmOptions dialog;
    showWithBadRate(dialog);

    QWidget other;
    other.resize(100, 100);
    showActive(other);
    drainPosted();
    EXPECT_TRUE(boxes.shown.empty()) << "another window became active";

    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), dialog.Text1);
    dialog.hide();
    drainPosted();
    EXPECT_TRUE(boxes.shown.empty()) << "the dialog hid";
}

// A real box takes the focus from the rate box; that must not start the next box.
TEST(OptionsRateCheck, ARealMessageBoxTakingTheFocusStartsNoChainOfBoxes) {
    int count = 0;
    setMsgBoxHandler([&](const MsgBoxRequest& request) {
        ++count;
        QMessageBox box(QMessageBox::Information, *request.title, request.prompt, QMessageBox::Ok);
        QTimer::singleShot(0, &box, [&box] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&box));
            box.accept();
        });
        if (count < 5)
            box.exec();
        return vbOK;
    });
    FakeOsLayer os;
    frmMain window;
    frmOptions& dialog = Forms::Options();
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            dialog.Check1->setChecked(true);
            dialog.Text1->setFocus();
            dialog.Text1->setText(QStringLiteral("abc"));
            QTest::keyClick(dialog.windowHandle(), Qt::Key_A, Qt::AltModifier);
            EXPECT_TRUE(QTest::qWaitFor([&] { return count >= 1; }, 5000));
            // A window manager gives the activation back to the dialog; offscreen, the test does.
            showActive(dialog);
            drainPosted();
            EXPECT_EQ(count, 1);
            EXPECT_TRUE(dialog.isVisible());
            EXPECT_EQ(QApplication::focusWidget(), dialog.Text1);
        });
}

TEST(OptionsRateCheck, ClickingCloseFromABadRateLeavesWithoutAMessage) {
    Boxes boxes;
    frmOptions dialog;
    showWithBadRate(dialog);
    QTest::mouseClick(dialog.cmdClose, Qt::LeftButton);
    drainPosted();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(dialog.Text1->text(), "abc");
}

// The press that moves the focus is held a while by a real user: the check waits for the
// release, so Close still closes, and a press that ends elsewhere gets its message.
TEST(OptionsRateCheck, TheCheckWaitsForTheReleaseOfTheClickThatTookTheFocus) {
    Boxes boxes;
    frmOptions dialog;
    showWithBadRate(dialog);
    QWindow* window = dialog.windowHandle();
    const QPoint onClose = dialog.cmdClose->geometry().center();
    QTest::mousePress(window, Qt::LeftButton, {}, onClose);
    EXPECT_EQ(QApplication::focusWidget(), dialog.cmdClose);
    drainPosted();
    EXPECT_TRUE(boxes.shown.empty()) << "no box in the middle of a click";
    QTest::mouseRelease(window, Qt::LeftButton, {}, onClose);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 5000));
    drainPosted();
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(OptionsRateCheck, APressThatEndsOffTheButtonGetsTheMessageAfterTheRelease) {
    Boxes boxes;
    frmOptions dialog;
    showWithBadRate(dialog);
    QWindow* window = dialog.windowHandle();
    QTest::mousePress(window, Qt::LeftButton, {}, dialog.cmdApply->geometry().center());
    drainPosted();
    EXPECT_TRUE(boxes.shown.empty());
    QTest::mouseRelease(window, Qt::LeftButton, {}, QPoint(20, 200)); // off the button
    EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.shown.size() == 1; }, 5000));
    drainPosted();
    EXPECT_EQ(boxes.shown.size(), 1u);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(QApplication::focusWidget(), dialog.Text1);
}

// The press on "Auto Refresh" takes the focus from the rate, which is checked before the
// box can switch the rate off: the message comes once, whether the press is held or quick,
// and the click changes nothing. With a good rate the click switches the box as usual.
TEST(OptionsRateCheck, APressOnTheBoxChecksABadRateBeforeTheBoxChanges) {
    for (const bool held : {true, false}) {
        Boxes boxes;
        frmOptions dialog;
        showWithBadRate(dialog);
        QWindow* window = dialog.windowHandle();
        const QPoint onBox = dialog.Check1->geometry().center();
        if (held) {
            QTest::mousePress(window, Qt::LeftButton, {}, onBox);
            EXPECT_EQ(boxes.shown.size(), 1u) << "the message comes with the press";
            QTest::mouseRelease(window, Qt::LeftButton, {}, onBox);
        } else {
            QTest::mouseClick(window, Qt::LeftButton, {}, onBox);
        }
        drainPosted();
        ASSERT_EQ(boxes.shown.size(), 1u) << held;
        EXPECT_EQ(boxes.shown[0].prompt, kRateMessage);
        EXPECT_TRUE(dialog.Check1->isChecked()) << held;
        EXPECT_TRUE(dialog.Text1->isEnabled()) << held;
        EXPECT_EQ(QApplication::focusWidget(), dialog.Text1) << held;

        dialog.Text1->setText(QStringLiteral("600"));
        QTest::mouseClick(window, Qt::LeftButton, {}, onBox);
        drainPosted();
        EXPECT_EQ(boxes.shown.size(), 1u) << held;
        EXPECT_FALSE(dialog.Check1->isChecked()) << held;
        EXPECT_FALSE(dialog.Text1->isEnabled()) << held;
    }
}

TEST(OptionsApply, ABadRateWithAutoRefreshOnWritesNothingAndKeepsTheDialogOpen) {
    Boxes boxes;
    FakeOsLayer os;
    frmMain window;
    window.Timer2->setEnabled(false);
    window.Timer2->setInterval(700);
    frmOptions& dialog = Forms::Options();
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            dialog.Check1->setChecked(true);
            for (const char* text : {"abc", "", "0", "-600", "1e400", "99999999999"}) {
                boxes.shown.clear();
                dialog.Text1->setText(QString::fromUtf8(text));
                QTest::mouseClick(dialog.cmdApply, Qt::LeftButton);
                drainPosted();
                EXPECT_EQ(boxes.shown.size(), 1u) << text;
                EXPECT_TRUE(dialog.isVisible()) << text;
                EXPECT_EQ(QApplication::focusWidget(), dialog.Text1) << text;
                EXPECT_FALSE(window.Timer2->Enabled()) << text;
                EXPECT_EQ(window.Timer2->Interval(), 700) << text;
            }
            // The user can always leave.
            QTest::mouseClick(dialog.cmdClose, Qt::LeftButton);
            EXPECT_FALSE(dialog.isVisible());
        });
    EXPECT_EQ(boxes.shown.size(), 1u) << "the rate message is shown once per Apply";
    EXPECT_EQ(dialog.Text1->text(), "99999999999");
}

TEST(OptionsApply, WritesTheRoundedRateAndTheBoxAndHides) {
    FakeOsLayer os;
    frmMain window;
    frmOptions& dialog = Forms::Options();
    struct Case {
        bool checked;
        const char* text;
        bool enabled;
        int interval;
    };
    const Case cases[] = {
        {true, "600.5", true, 600},   {true, "601.5", true, 602},   {true, "10", true, 10},
        {true, "10000", true, 10000}, {true, "1e3", true, 1000},    {false, "250", false, 250},
        {false, "abc", false, 250},   {false, "99999", false, 250}, {true, " 42 ", true, 42}};
    for (const Case& step : cases) {
        Boxes boxes;
        whileModal(
            dialog, [&] { window.cmdOptions->click(); },
            [&] {
                dialog.Check1->setChecked(true);
                dialog.Text1->setText(QString::fromUtf8(step.text));
                dialog.Check1->setChecked(step.checked);
                dialog.cmdApply->click();
            });
        EXPECT_TRUE(boxes.shown.empty()) << step.text;
        EXPECT_EQ(window.Timer2->Enabled(), step.enabled) << step.text;
        EXPECT_EQ(window.Timer2->Interval(), step.interval) << step.text;
    }
    EXPECT_EQ(window.cmdStart->text(), "&Start") << "Apply leaves the Start/Stop caption alone";
}

TEST(OptionsApply, TheListRefreshesItselfAtTheAppliedRate) {
    FakeOsLayer os;
    os.setProcessCount(5);
    frmMain window;
    window.Load();
    window.show();
    frmOptions& dialog = Forms::Options();
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            EXPECT_FALSE(dialog.Check1->isChecked());
            QTest::mouseClick(dialog.Check1, Qt::LeftButton);
            dialog.Text1->setText(QStringLiteral("100"));
            QTest::mouseClick(dialog.cmdApply, Qt::LeftButton);
        });
    EXPECT_TRUE(ticking(*window.Timer2));
    const int before = os.snapshotsTaken;
    EXPECT_TRUE(QTest::qWaitFor([&] { return os.snapshotsTaken >= before + 3; }, 10000));

    // It goes on ticking while the dialog is open again.
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            const int during = os.snapshotsTaken;
            EXPECT_TRUE(QTest::qWaitFor([&] { return os.snapshotsTaken >= during + 2; }, 10000));
            dialog.cmdClose->click();
        });
}

TEST(OptionsOpen, TheFirstOpeningFollowsTheTimerAndShows600) {
    FakeOsLayer os;
    frmMain window;
    window.Timer2->setInterval(1234);
    frmOptions& dialog = Forms::Options();
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            EXPECT_TRUE(dialog.isModal());
            EXPECT_EQ(dialog.parentWidget(), nullptr);
            EXPECT_FALSE(dialog.Check1->isChecked());
            EXPECT_FALSE(dialog.Label1->isEnabled());
            EXPECT_FALSE(dialog.Text1->isEnabled());
            EXPECT_FALSE(dialog.Label2->isEnabled());
            EXPECT_EQ(dialog.Text1->text(), "600");
            const QPoint centre = dialog.screen()->availableGeometry().center();
            EXPECT_LE((dialog.frameGeometry().center() - centre).manhattanLength(), 2);
            QTest::mouseClick(dialog.CrossBtn, Qt::LeftButton);
            EXPECT_FALSE(dialog.isVisible());
        });
    EXPECT_FALSE(window.Timer2->Enabled());
    EXPECT_EQ(window.Timer2->Interval(), 1234);
}

TEST(OptionsOpen, EachOpeningShowsTheTimersStateAndKeepsTheText) {
    Boxes boxes;
    FakeOsLayer os;
    frmMain window;
    frmOptions& dialog = Forms::Options();
    window.Timer2->setEnabled(true);
    window.Timer2->setInterval(5000);
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            EXPECT_TRUE(dialog.Check1->isChecked());
            EXPECT_TRUE(dialog.Text1->isEnabled());
            QTest::mouseClick(dialog.Check1, Qt::LeftButton); // unchecked, then left by Close
            dialog.Text1->setText(QStringLiteral("900"));
            QTest::mouseClick(dialog.cmdClose, Qt::LeftButton);
        });
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            EXPECT_TRUE(dialog.Check1->isChecked());
            EXPECT_TRUE(dialog.Label1->isEnabled());
            EXPECT_TRUE(dialog.Text1->isEnabled());
            EXPECT_TRUE(dialog.Label2->isEnabled());
            EXPECT_EQ(dialog.Text1->text(), "900");
            dialog.cmdClose->click();
        });
    EXPECT_TRUE(window.Timer2->Enabled());
    EXPECT_EQ(window.Timer2->Interval(), 5000);

    window.Timer2->setEnabled(false);
    whileModal(
        dialog, [&] { window.cmdOptions->click(); },
        [&] {
            EXPECT_FALSE(dialog.Check1->isChecked());
            EXPECT_FALSE(dialog.Text1->isEnabled());
            dialog.cmdClose->click();
        });
    EXPECT_TRUE(boxes.shown.empty());
}

TEST(OptionsOpen, OneDialogServesEveryOpeningAndStaysWhereItWas) {
    FakeOsLayer os;
    frmMain window;
    frmOptions* const first = &Forms::Options();
    const QPoint moved(40, 30);
    for (int opening = 0; opening < 6; ++opening) {
        whileModal(
            *first, [&] { window.cmdOptions->click(); },
            [&] {
                if (opening == 0)
                    first->move(moved);
                else
                    EXPECT_EQ(first->pos(), moved) << opening;
                first->cmdClose->click();
            });
        EXPECT_EQ(&Forms::Options(), first);
    }
    EXPECT_EQ(topLevels<frmOptions>().size(), 1);
}
