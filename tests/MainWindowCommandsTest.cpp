#include "FakeOsLayer.h"
#include "LogCapture.h"
#include "Ticking.h"
#include "app/ProgramEnd.h"
#include "app/RuntimeError.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QOperatingSystemVersion>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>
#include <functional>
#include <gtest/gtest.h>

namespace {

struct AutoRefresh {
    QString caption;
    bool timerOn;
};

AutoRefresh stateOf(const frmMain& window) {
    return {window.cmdStart->text(), window.Timer2->Enabled()};
}

// Records every end of the program instead of ending the runner, with how many times the
// web page had been asked for at that moment.
struct Ending {
    explicit Ending(const FakeOsLayer& os) {
        setEndProgramHook([this, &os](int code) {
            codes.push_back(code);
            pagesOpenedBefore.push_back(os.shellCalls.size());
        });
    }
    std::vector<int> codes;
    std::vector<std::size_t> pagesOpenedBefore;
};

void expectThePageOpenedOnceAndTheProgramEnded(const frmMain& window, const FakeOsLayer& os,
                                               const Ending& ending) {
    ASSERT_EQ(os.shellCalls.size(), 1u);
    const FakeOsLayer::Shell& call = os.shellCalls.front();
    EXPECT_EQ(call.hwnd, static_cast<basDeclares::HWND>(window.winId()));
    EXPECT_EQ(call.operation, "open");
    EXPECT_EQ(call.file, "https://www.korvanta.example/");
    EXPECT_TRUE(call.parametersNull);
    EXPECT_EQ(call.directory, "C:\\");
    EXPECT_EQ(call.showCmd, basDeclares::SW_SHOWNORMAL);
    EXPECT_EQ(ending.codes, std::vector<int>{0});
    EXPECT_EQ(ending.pagesOpenedBefore, std::vector<std::size_t>{1});
}

} // namespace

TEST(MainWindowCommands, StartAndStopFollowTheCaptionAndLeaveTheIntervalAlone) {
    FakeOsLayer os;
    frmMain window;
    window.Timer2->setInterval(1234);
    EXPECT_EQ(stateOf(window).caption, "&Start");
    EXPECT_FALSE(stateOf(window).timerOn);

    window.cmdStart->click();
    EXPECT_EQ(stateOf(window).caption, "&Stop");
    EXPECT_TRUE(stateOf(window).timerOn);
    window.cmdStart->click();
    EXPECT_EQ(stateOf(window).caption, "&Start");
    EXPECT_FALSE(stateOf(window).timerOn);
    EXPECT_EQ(window.Timer2->Interval(), 1234);
}

TEST(MainWindowCommands, AfterTheOptionsSetTheTimerAClickGoesWhereTheCaptionSays) {
    FakeOsLayer os;
    frmMain window;
    // What the options dialog's Apply does: the timer changes, the caption does not.
    window.Timer2->setEnabled(true);
    window.cmdStart->click();
    EXPECT_EQ(stateOf(window).caption, "&Stop");
    EXPECT_TRUE(stateOf(window).timerOn);
    window.cmdStart->click();
    EXPECT_EQ(stateOf(window).caption, "&Start");
    EXPECT_FALSE(stateOf(window).timerOn);

    window.cmdStart->click();
    window.Timer2->setEnabled(false);
    window.cmdStart->click();
    EXPECT_EQ(stateOf(window).caption, "&Start");
    EXPECT_FALSE(stateOf(window).timerOn);
}

TEST(MainWindowCommands, AltSStartsTheRefreshAndAltSStopsIt) {
    FakeOsLayer os;
    os.setProcessCount(3);
    frmMain window;
    window.Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Timer2->setInterval(20);
    const int before = os.snapshotsTaken;

    QTest::keyClick(window.windowHandle(), Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cmdStart->text() == "&Stop"; }, 3000));
    EXPECT_TRUE(window.Timer2->Enabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return os.snapshotsTaken >= before + 2; }, 5000));

    QTest::keyClick(window.windowHandle(), Qt::Key_S, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.cmdStart->text() == "&Start"; }, 3000));
    EXPECT_FALSE(window.Timer2->Enabled());
    EXPECT_FALSE(ticking(*window.Timer2));
}

// Nobody sees a minimised or hidden list: its ticks read nothing, and the list is brought
// up to date as the window comes back, before the next tick, with the timer as it was.
TEST(MainWindowCommands, TheMinimisePictureMinimisesAndTheListWaitsUntilItIsShownAgain) {
    struct Way {
        const char* what;
        bool minimised;
        std::function<void(frmMain&)> away, back;
    };
    const Way ways[] = {
        {"the minimise picture", true,
         [](frmMain& window) { QTest::mouseClick(window.MinBtn, Qt::LeftButton); },
         [](frmMain& window) {
             window.showNormal();
         }},
        {"hidden", false, [](frmMain& window) { window.hide(); },
         [](frmMain& window) {
             window.show();
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.what);
        FakeOsLayer os;
        os.setProcessCount(3);
        frmMain window;
        window.Load();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        window.Timer2->setInterval(10);
        window.cmdStart->click();

        way.away(window);
        EXPECT_EQ(window.isMinimized(), way.minimised);
        EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
        // Windows needs the minimise hint to bring the window back from the taskbar;
        // elsewhere it would bring back the system frame.
        EXPECT_EQ(bool(window.windowFlags() & Qt::WindowMinimizeButtonHint),
                  QOperatingSystemVersion::currentType() == QOperatingSystemVersion::Windows);
        const int before = os.snapshotsTaken;
        QSignalSpy ticks(window.Timer2, &FormTimer::Timer);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ticks.count() >= 3; }, 5000));
        EXPECT_EQ(os.snapshotsTaken, before);

        os.setProcessCount(5);
        way.back(window);
        EXPECT_EQ(os.snapshotsTaken, before + 1);
        EXPECT_EQ(window.lstProcess->ListItems().Count(), 5);
        EXPECT_TRUE(window.Timer2->Enabled());
        EXPECT_EQ(window.Timer2->Interval(), 10);
        EXPECT_TRUE(QTest::qWaitFor([&] { return os.snapshotsTaken >= before + 3; }, 5000))
            << "the ticks refresh again";
    }
}

TEST(MainWindowCommands, EveryWayOutOpensTheWebPageOnceThenEndsWithCodeZero) {
    const std::pair<const char*, std::function<void(frmMain&)>> ways[] = {
        {"Alt+E",
         [](frmMain& window) {
             QTest::keyClick(window.windowHandle(), Qt::Key_E, Qt::AltModifier);
         }},
        {"the close picture",
         [](frmMain& window) {
             QTest::mouseClick(window.CrossBtn, Qt::LeftButton);
         }},
        {"a close request from outside",
         [](frmMain& window) {
             window.windowHandle()->close();
         }},
        {"closing the widget",
         [](frmMain& window) {
             window.close();
         }},
    };
    for (const auto& [name, leave] : ways) {
        SCOPED_TRACE(name);
        FakeOsLayer os;
        Ending ending(os);
        frmMain window;
        window.Load();
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        leave(window);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !ending.codes.empty(); }, 3000));
        expectThePageOpenedOnceAndTheProgramEnded(window, os, ending);
    }
}

TEST(MainWindowCommands, AFailingWebPageDoesNotKeepTheProgramFromEnding) {
    struct NoBrowser : FakeOsLayer {
        bool throws = false;
        HINSTANCE ShellExecuteA(HWND hwnd, const char* operation, const char* file,
                                const char* parameters, const char* directory,
                                std::int32_t showCmd) override {
            FakeOsLayer::ShellExecuteA(hwnd, operation, file, parameters, directory, showCmd);
            if (throws)
                throw RuntimeError(53, "File not found: shell32.dll");
            return 31; // no program handles web addresses
        }
    };
    for (const bool throws : {false, true}) {
        SCOPED_TRACE(throws ? "the call fails" : "the call returns an error");
        NoBrowser os;
        os.throws = throws;
        Ending ending(os);
        frmMain window;
        LogCapture log;
        window.cmdExit->click();
        expectThePageOpenedOnceAndTheProgramEnded(window, os, ending);
        EXPECT_EQ(log.messages(QtWarningMsg).size(), throws ? 1 : 0);
    }
}
