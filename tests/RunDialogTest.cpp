#include "FakeOsLayer.h"
#include "MakingCommand.h"
#include "Ticking.h"
#include "TopLevels.h"
#include "app/Forms.h"
#include "chrome/MsgBox.h"
#include "chrome/Pictures.h"
#include "main_window/main_window.h"
#include "run_dialog/run_dialog.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontInfo>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kExplanation =
    "Type the name of a program or a control pannel page name like \"mouse\", \"ADD OR "
    "REMOVE\", \"ACCESSIBILITY\", or \"SYSTEM PROPERTIES\" etc. and the command should be run "
    "for you.";

// Answers every message box and notes what was on screen when it came.
struct Boxes {
    struct Seen {
        MsgBoxRequest request;
        bool dialogVisible;
        int snapshots;
    };
    Boxes(const QWidget& dialog, const FakeOsLayer* os = nullptr) {
        setMsgBoxHandler([this, &dialog, os](const MsgBoxRequest& request) {
            shown.push_back({request, dialog.isVisible(), os ? os->snapshotsTaken : 0});
            return vbOK;
        });
    }
    std::vector<Seen> shown;
};

void showActive(frmRun& dialog) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

void typeInto(QLineEdit* box, const QString& text) {
    box->selectAll();
    QTest::keyClicks(box, text);
}

bool samePicture(const QPixmap& a, const QPixmap& b) {
    return a.toImage().convertToFormat(QImage::Format_RGB32) ==
           b.toImage().convertToFormat(QImage::Format_RGB32);
}

// Runs body inside the modal loop of the Run dialog once open() has opened it; fails
// rather than hangs when no dialog comes up or the body leaves it open.
void driveRunDialog(const std::function<void()>& open, const std::function<void(frmRun&)>& body) {
    bool ran = false;
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* dialog = qobject_cast<frmRun*>(QApplication::activeModalWidget());
        if (!dialog || ran)
            return;
        ran = true;
        poll.stop();
        body(*dialog);
        if (dialog->isVisible()) {
            ADD_FAILURE() << "the dialog was left open";
            dialog->hide();
        }
    });
    poll.start();
    open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return ran; }, 5000)) << "no modal Run dialog came up";
    poll.stop();
}

} // namespace

TEST(RunDialogForm, EveryControlStandsAtItsPlaceWithItsCaptionAndColours) {
    frmRun dialog;
    EXPECT_EQ(dialog.size(), QSize(385, 227));
    EXPECT_TRUE(dialog.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(dialog.windowTitle(), "Run a Task");
    EXPECT_FALSE(dialog.windowIcon().isNull());
    const std::pair<const char*, QRect> places[] = {
        {"txtRun", {64, 152, 305, 21}},     {"cmdRun", {152, 184, 105, 33}},
        {"cmdCancel", {264, 184, 105, 33}}, {"Label1", {16, 88, 361, 49}},
        {"CrossBtn", {360, 8, 15, 15}},     {"About", {344, 8, 15, 15}},
        {"Label2", {16, 152, 49, 25}}};
    for (const auto& [name, geometry] : places) {
        const auto* control = dialog.findChild<QWidget*>(name);
        ASSERT_NE(control, nullptr) << name;
        EXPECT_EQ(control->geometry(), geometry) << name;
    }
    EXPECT_EQ(dialog.txtRun->text(), "notepad");
    EXPECT_EQ(dialog.cmdRun->text(), "&Run");
    EXPECT_EQ(dialog.cmdCancel->text(), "&Cancel");
    EXPECT_EQ(dialog.Label2->text(), "Program:");
    EXPECT_EQ(dialog.Label1->text(), kExplanation);
    EXPECT_EQ(kExplanation.size(), 171);
    EXPECT_EQ(dialog.cmdRun->palette().color(QPalette::Button), QColor(0xC0, 0xFF, 0xC0));
    EXPECT_EQ(dialog.cmdCancel->palette().color(QPalette::Button), QColor(0xFF, 0xC0, 0xC0));
    for (const QLabel* label : {dialog.Label1, dialog.Label2}) {
        EXPECT_TRUE(label->autoFillBackground());
        EXPECT_EQ(label->palette().color(QPalette::Window), QColor(0xB0, 0xDF, 0xFF));
        EXPECT_EQ(label->focusPolicy(), Qt::NoFocus);
    }
    for (const QPushButton* button : {dialog.cmdRun, dialog.cmdCancel}) {
        EXPECT_FALSE(button->autoDefault());
        EXPECT_FALSE(button->isDefault());
    }
    EXPECT_TRUE(samePicture(dialog.CrossBtn->Picture(), loadPicture("form_cross.png")));
    EXPECT_TRUE(samePicture(dialog.About->Picture(), loadPicture("form_about.png")));
    EXPECT_TRUE(dialog.Timer1->Enabled());
    EXPECT_EQ(dialog.Timer1->Interval(), 0);
    EXPECT_FALSE(ticking(*dialog.Timer1));
}

TEST(RunDialogForm, TheLabelsShowTheirWholeTextsWithinTheirBoxes) {
    frmRun dialog;
    const QLabel& explanation = *dialog.Label1;
    const QFontMetrics metrics = explanation.fontMetrics();
    const int needed = explanation.heightForWidth(explanation.width());
    EXPECT_LE(needed, explanation.height());
    EXPECT_GE(needed, 2 * metrics.height()); // wrapped, not cut to one line
    EXPECT_TRUE(explanation.wordWrap());
    EXPECT_LE(dialog.Label2->fontMetrics().boundingRect(dialog.Label2->text()).width(),
              dialog.Label2->width());
    // Legible still, and no smaller than the default font needs.
    for (const QLabel* label : {dialog.Label1, dialog.Label2}) {
        EXPECT_GE(QFontInfo(label->font()).pixelSize(), 8);
        EXPECT_LE(QFontInfo(label->font()).pixelSize(), QFontInfo(dialog.font()).pixelSize());
    }
    // The text box lies over the label beside it, as on the form it was designed on.
    EXPECT_EQ(dialog.childAt(64, 160), dialog.txtRun);
}

TEST(RunDialogForm, ThePictureFillsAllButTheBottomRow) {
    frmRun dialog;
    const QImage image = dialog.grab().toImage();
    ASSERT_EQ(image.size(), QSize(385, 227));
    const QColor face = dialog.palette().color(QPalette::Button);
    for (const int x : {0, 100, 384})
        EXPECT_EQ(image.pixelColor(x, 226), face) << x;
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0x80, 0xC0, 0xFF));
    EXPECT_EQ(image.pixelColor(300, 40), QColor(0xCF, 0xFF, 0x90));  // title band
    EXPECT_EQ(image.pixelColor(200, 145), QColor(0xB0, 0xDF, 0xFF)); // body
}

TEST(RunDialogKeys, FirstOpeningSelectsTheWholeTextSoTypingReplacesIt) {
    frmRun dialog;
    dialog.Load();
    showActive(dialog);
    EXPECT_EQ(QApplication::focusWidget(), dialog.txtRun);
    EXPECT_EQ(dialog.txtRun->selectedText(), "notepad");
    QTest::keyClick(dialog.txtRun, Qt::Key_X);
    EXPECT_EQ(dialog.txtRun->text(), "x");
}

TEST(RunDialogKeys, TabRunsFromTheTextThroughBothButtons) {
    frmRun dialog;
    showActive(dialog);
    const QWidget* expected[] = {dialog.cmdRun, dialog.cmdCancel, dialog.txtRun};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST(RunDialogKeys, EnterReleasedInTheTextMovesTheFocusToRunAndStartsNothing) {
    FakeOsLayer os;
    frmRun dialog;
    showActive(dialog);
    const Qt::KeyboardModifiers shiftStates[] = {Qt::NoModifier, Qt::ShiftModifier,
                                                 Qt::ControlModifier, Qt::AltModifier,
                                                 Qt::KeypadModifier};
    for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) {
        for (const Qt::KeyboardModifiers shift : shiftStates) {
            dialog.txtRun->setFocus();
            QTest::keyPress(dialog.txtRun, key, shift);
            EXPECT_EQ(QApplication::focusWidget(), dialog.txtRun) << "moved on the press";
            QTest::keyRelease(dialog.txtRun, key, shift);
            EXPECT_EQ(QApplication::focusWidget(), dialog.cmdRun) << key << " " << shift;
        }
    }
    EXPECT_TRUE(os.started.empty());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.txtRun->text(), "notepad");

    // Other keys, and the releases a held Enter repeats, leave the focus where it is.
    dialog.txtRun->setFocus();
    QTest::keyClick(dialog.txtRun, Qt::Key_A);
    QTest::keyClick(dialog.txtRun, Qt::Key_Space);
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_Return, Qt::NoModifier, "\r", true);
    QApplication::sendEvent(dialog.txtRun, &repeated);
    EXPECT_EQ(QApplication::focusWidget(), dialog.txtRun);
}

TEST(RunDialogKeys, ASecondEnterRunsTheTextFromTheFocusedButton) {
    FakeOsLayer os;
    frmRun dialog;
    Forms::ConnectRunToMain(dialog, Forms::Main());
    dialog.Load();
    showActive(dialog);
    typeInto(dialog.txtRun, "my tool \"a b\"");
    const int snapshots = os.snapshotsTaken;
    bool refreshedWhileShown = false; // run, refresh, then hide
    QObject::connect(&dialog, &frmRun::Ran, [&] {
        refreshedWhileShown = os.snapshotsTaken == snapshots + 1 && dialog.isVisible();
    });
    QTest::keyClick(dialog.txtRun, Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), dialog.cmdRun);
    QTest::keyClick(dialog.cmdRun, Qt::Key_Return);
    EXPECT_TRUE(refreshedWhileShown);
    ASSERT_EQ(os.started.size(), 1u);
    EXPECT_EQ(os.started[0].commandLine, "my tool \"a b\"");
    EXPECT_EQ(os.started[0].windowStyle, 1);
    EXPECT_EQ(os.snapshotsTaken, snapshots + 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.txtRun->text(), "my tool \"a b\"");
}

TEST(RunDialogKeys, AFocusedButtonTakesSpaceAndEnterAsAPress) {
    FakeOsLayer os;
    frmRun dialog;
    Forms::ConnectRunToMain(dialog, Forms::Main());
    showActive(dialog);
    dialog.cmdRun->setFocus();
    QTest::keyClick(dialog.cmdRun, Qt::Key_Space);
    EXPECT_EQ(os.started.size(), 1u);
    EXPECT_FALSE(dialog.isVisible());

    showActive(dialog);
    dialog.cmdCancel->setFocus();
    QTest::keyClick(dialog.cmdCancel, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(os.started.size(), 1u);
}

TEST(RunDialogKeys, EscapeDoesNothingWhereverTheFocusIs) {
    FakeOsLayer os;
    frmRun dialog;
    showActive(dialog);
    for (QWidget* focus :
         std::initializer_list<QWidget*>{dialog.txtRun, dialog.cmdRun, dialog.cmdCancel}) {
        focus->setFocus();
        QTest::keyClick(focus, Qt::Key_Escape);
        EXPECT_TRUE(dialog.isVisible()) << focus->objectName().toStdString();
    }
    QTest::keyClick(dialog.windowHandle(), Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.txtRun->text(), "notepad");
    EXPECT_TRUE(os.started.empty());
}

TEST(RunDialogKeys, AltRRunsAtOnceFromTheTextAndAltCCancels) {
    FakeOsLayer os;
    frmRun dialog;
    Forms::ConnectRunToMain(dialog, Forms::Main());
    showActive(dialog);
    ASSERT_EQ(QApplication::focusWidget(), dialog.txtRun);
    QTest::keyClick(dialog.windowHandle(), Qt::Key_R, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 5000));
    ASSERT_EQ(os.started.size(), 1u);
    EXPECT_EQ(os.started[0].commandLine, "notepad");

    showActive(dialog);
    dialog.txtRun->setFocus();
    QTest::keyClick(dialog.windowHandle(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 5000));
    EXPECT_EQ(os.started.size(), 1u);
}

TEST(RunDialogButtons, CancelAndTheCrossOnlyHideKeepingTheText) {
    FakeOsLayer os;
    frmRun dialog;
    Forms::ConnectRunToMain(dialog, Forms::Main());
    const int snapshots = os.snapshotsTaken;
    showActive(dialog);
    typeInto(dialog.txtRun, "abc");
    QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.txtRun->text(), "abc");

    showActive(dialog);
    const QPixmap cross = dialog.CrossBtn->Picture();
    QTest::mouseClick(dialog.CrossBtn, Qt::LeftButton);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.txtRun->text(), "abc");
    EXPECT_TRUE(samePicture(dialog.CrossBtn->Picture(), cross));

    EXPECT_TRUE(os.started.empty());
    EXPECT_EQ(os.snapshotsTaken, snapshots);
}

TEST(RunDialogButtons, AFailedStartShowsItsMessageOverTheDialogThenRefreshesAndHides) {
    FakeOsLayer os;
    os.startSucceeds = false;
    frmRun dialog;
    Forms::ConnectRunToMain(dialog, Forms::Main());
    for (const QString& typed : {QString("no such thing"), QString()}) {
        showActive(dialog);
        typeInto(dialog.txtRun, typed);
        if (typed.isEmpty())
            dialog.txtRun->clear();
        Boxes boxes(dialog, &os);
        const int snapshots = os.snapshotsTaken;
        QTest::mouseClick(dialog.cmdRun, Qt::LeftButton);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].request.prompt, "Can't Run Application" + typed);
        EXPECT_TRUE(boxes.shown[0].dialogVisible);
        EXPECT_EQ(boxes.shown[0].snapshots, snapshots) << "refreshed before the message";
        EXPECT_EQ(os.snapshotsTaken, snapshots + 1);
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(RunDialogButtons, TheQuestionMarkShowsThe13LineHelp) {
    frmRun dialog;
    showActive(dialog);
    Boxes boxes(dialog);
    const QPixmap before = dialog.About->Picture();
    QTest::mouseClick(dialog.About, Qt::LeftButton);
    ASSERT_EQ(boxes.shown.size(), 1u);
    const MsgBoxRequest& help = boxes.shown[0].request;
    const QStringList lines = {"You can type the program name or control pannel options as follow.",
                               R"("ACCESSIBILITY" or "ACCESSIBILITY OPTIONS")",
                               R"("ADD OR REMOVE" or "APPLICATION WIZARD")",
                               R"("DISPLAY PROPERTIES" or "DESKTOP PROPERTIES")",
                               R"("ADD HARDWARE WIZARD" or "ADD HARDWARE" or "ADD NEW HARDWARE")",
                               R"("INTERNET PROPERTIES" or "IE PROPERTIES")",
                               R"("REGIONAL AND LANGUAGE OPTIONS" or "REGIONAL AND LANGUAGE")",
                               R"("GAME CONTROLLER" or "JOYSTICK")",
                               R"("MOSUE" or "MOSUE PROPERTIES")",
                               R"("SOUND PROPERTIES" or "AUDIO PROPERTIES")",
                               R"("NETWORK PROPERTIES")",
                               R"("SYSTEM PROPERTIES" or "HOME PROPERTIES")",
                               R"("DATE AND TIME PROPERTIES" or "DATE AND TIME")"};
    EXPECT_EQ(help.prompt, lines.join("\r\n"));
    EXPECT_EQ(help.prompt.count("\r\n"), 12);
    EXPECT_EQ(help.prompt.count('\n'), 12);
    EXPECT_EQ(help.buttons, 0);
    EXPECT_EQ(help.title, "Run a task");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(samePicture(dialog.About->Picture(), before));
}

TEST(RunDialogOpening, TheMainWindowOpensOneSharedDialogModallyThatKeepsItsState) {
    FakeOsLayer os;
    frmMain& main = Forms::Main();
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&main));
    // Only the first opening in this process creates the dialog and selects its text.
    const bool created = topLevels<frmRun>().isEmpty();
    frmRun* first = nullptr;
    QPoint place;
    driveRunDialog(
        [&] { QTest::keyClick(main.windowHandle(), Qt::Key_R, Qt::AltModifier); },
        [&](frmRun& dialog) {
            first = &dialog;
            EXPECT_EQ(&dialog, &Forms::Run());
            EXPECT_EQ(dialog.parentWidget(), nullptr);
            EXPECT_EQ(dialog.windowModality(), Qt::ApplicationModal);
            EXPECT_TRUE(QTest::qWaitForWindowActive(&dialog));
            if (created) {
                const QRect screen = dialog.screen()->availableGeometry();
                EXPECT_LE((dialog.frameGeometry().center() - screen.center()).manhattanLength(), 2);
                EXPECT_EQ(QApplication::focusWidget(), dialog.txtRun);
                EXPECT_EQ(dialog.txtRun->selectedText(), "notepad");
            }
            dialog.txtRun->setFocus();
            typeInto(dialog.txtRun, "kept");
            QTest::keyClick(dialog.txtRun, Qt::Key_Left, Qt::ShiftModifier);
            QTest::keyClick(dialog.txtRun, Qt::Key_Left, Qt::ShiftModifier);
            place = dialog.pos();
            QTest::mouseClick(dialog.cmdCancel, Qt::LeftButton);
        });
    ASSERT_NE(first, nullptr);
    EXPECT_FALSE(first->isVisible());

    driveRunDialog([&] { main.cmdRun->click(); },
                   [&](frmRun& dialog) {
                       EXPECT_EQ(&dialog, first);
                       EXPECT_EQ(dialog.txtRun->text(), "kept");
                       EXPECT_EQ(dialog.txtRun->selectedText(), "pt"); // as left, not all
                       EXPECT_EQ(dialog.pos(), place);
                       QTest::mouseClick(dialog.CrossBtn, Qt::LeftButton);
                   });
    EXPECT_TRUE(os.started.empty());
    main.hide();
}

TEST(RunDialogOpening, TheSharedDialogRefreshesTheMainWindowAfterEachRun) {
    FakeOsLayer os;
    Forms::Main();
    const int snapshots = os.snapshotsTaken;
    Forms::Run().cmdRun->click();
    EXPECT_EQ(os.started.size(), 1u);
    EXPECT_EQ(os.snapshotsTaken, snapshots + 1);
}

TEST(RunDialogOpening, TypingACommandAndPressingEnterTwiceStartsItForReal) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString made = folder.filePath(QStringLiteral("made by run"));
    frmMain& main = Forms::Main();
    driveRunDialog([&] { main.cmdRun->click(); },
                   [&](frmRun& dialog) {
                       ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
                       dialog.txtRun->setFocus();
                       typeInto(dialog.txtRun, commandMaking(made));
                       QTest::keyClick(dialog.txtRun, Qt::Key_Return);
                       QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
                       EXPECT_FALSE(dialog.isVisible());
                   });
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(made); }, 10000));
}
