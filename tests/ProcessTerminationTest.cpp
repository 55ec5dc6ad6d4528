#include "ChildProcess.h"
#include "FakeOsLayer.h"
#include "HandleCounting.h"
#include "InstalledLayer.h"
#include "LogCapture.h"
#include "RowOf.h"
#include "app/ProgramEnd.h"
#include "app/linux/LinuxOsLayer.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"

#include <QSignalSpy>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <map>
#include <set>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The real Linux layer, except that it ends only the processes the test allows: the
// machine's other processes must survive a fault in the command.
class GuardedLinuxLayer : public HandleCounting<LinuxOsLayer> {
public:
    std::set<std::int32_t> mayEnd;
    std::vector<std::int32_t> ended;

    HANDLE OpenProcess(std::int32_t access, std::int32_t inherit, std::int32_t id) override {
        const HANDLE handle = HandleCounting::OpenProcess(access, inherit, id);
        if (handle != 0)
            ids_[handle] = id;
        return handle;
    }
    std::int32_t TerminateProcess(HANDLE handle, std::int32_t exitCode) override {
        const std::int32_t id = ids_.count(handle) ? ids_[handle] : 0;
        if (!mayEnd.count(id)) {
            ADD_FAILURE() << "would have ended process " << id;
            return 0;
        }
        ended.push_back(id);
        return HandleCounting::TerminateProcess(handle, exitCode);
    }

private:
    std::map<HANDLE, std::int32_t> ids_;
    InstalledLayer installed_{*this};
};

bool stillRunning(const ChildProcess& child) {
    int status = 0;
    return ::waitpid(child.pid(), &status, WNOHANG) == 0;
}

} // namespace

TEST(ProcessTermination, AltKEndsTheSelectedRealProcessAndASecondAltKEndsNothing) {
    GuardedLinuxLayer os;
    ChildProcess target(2, "korvanta-target");
    ChildProcess neighbour(1, "korvanta-neighbour");
    const std::int32_t targetId = target.pid();
    os.mayEnd = {targetId};
    frmMain window;
    window.Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const int row = rowOf(window, targetId);
    ASSERT_GT(row, 0);
    window.lstProcess->setSelectedItem(row);
    const int count = window.lstProcess->ListItems().Count();

    QTest::keyClick(window.windowHandle(), Qt::Key_K, Qt::AltModifier);
    ASSERT_TRUE(QTest::qWaitFor([&] { return rowOf(window, targetId) == 0; }, 5000));
    const int status = target.reap();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_EQ(window.lstProcess->ListItems().Count(), count - 1);
    EXPECT_EQ(window.lstProcess->SelectedItem(), 0) << "no row is left selected";
    EXPECT_EQ(os.openHandleCount(), 0u);

    QSignalSpy clicked(window.cmdKillProcess, &QPushButton::clicked);
    QTest::keyClick(window.windowHandle(), Qt::Key_K, Qt::AltModifier);
    ASSERT_TRUE(clicked.wait(2000) || clicked.count() == 1);
    EXPECT_EQ(window.lstProcess->ListItems().Count(), count - 1);
    EXPECT_TRUE(stillRunning(neighbour));
    EXPECT_EQ(os.ended, std::vector<std::int32_t>{targetId});
}

TEST(ProcessTermination, TheProgramsOwnRowEndsTheProgramWithExitCodeZero) {
    GuardedLinuxLayer os;
    const auto self = static_cast<std::int32_t>(::getpid());
    os.mayEnd = {self};
    std::vector<int> endings;
    setEndProgramHook([&](int code) { endings.push_back(code); });
    frmMain window;
    window.Load();
    const int row = rowOf(window, self);
    ASSERT_GT(row, 0);
    window.lstProcess->setSelectedItem(row);
    window.cmdKillProcess->click();
    EXPECT_EQ(endings, std::vector<int>{0});
    EXPECT_EQ(os.openHandleCount(), 0u);
}

TEST(ProcessTermination, IdZeroAndAnEndedProcessLoseTheirRowAndNothingEnds) {
    FakeOsLayer os;
    os.processes = {{0, "[System Process]"}, {4, "System"}, {300, "gone.exe"}};
    frmMain window;
    window.Load();
    ProcessListView& list = *window.lstProcess;
    ASSERT_EQ(rowOf(window, 0), 1);
    std::erase_if(os.processes, [](const FakeOsLayer::Process& p) { return p.pid == 300; });

    list.setSelectedItem(1);
    window.cmdKillProcess->click();
    list.setSelectedItem(rowOf(window, 300));
    window.cmdKillProcess->click();

    EXPECT_EQ(os.opened, (std::vector<std::int32_t>{0, 300}));
    EXPECT_TRUE(os.terminated.empty());
    ASSERT_EQ(list.ListItems().Count(), 1);
    EXPECT_EQ(list.ListItems().Text(1), "4");
    EXPECT_EQ(os.openHandles(), 0);
}

// Whether or not the newer process may be ended, nothing is ended and nothing is said.
TEST(ProcessTermination, ARowWhoseIdWentToANewerProcessEndsNothing) {
    for (const bool sameName : {false, true}) {
        for (const bool refreshed : {false, true}) {
            for (const bool mayEnd : {true, false}) {
                SCOPED_TRACE(std::string(sameName ? "same name" : "other name") +
                             (refreshed ? ", refreshed" : "") + (mayEnd ? "" : ", denied"));
                FakeOsLayer os;
                os.processes = {{100, "notepad.exe"}, {200, "calc.exe"}};
                frmMain window;
                window.Load();
                window.lstProcess->setSelectedItem(rowOf(window, 100));
                // notepad ends, and its id goes to a process started since the snapshot.
                os.now += 10;
                os.processes[0] = {
                    100, sameName ? "notepad.exe" : "database.exe", 1, 0, os.now - 5, mayEnd};
                if (refreshed) {
                    window.cmdRefresh();
                    EXPECT_EQ(window.lstProcess->SelectedItem(), 0);
                }
                window.cmdKillProcess->click();
                EXPECT_TRUE(os.terminated.empty());
                EXPECT_EQ(rowOf(window, 100) == 0, !refreshed) << "the chosen row goes";
                EXPECT_EQ(os.openHandles(), 0);
            }
        }
    }
}

TEST(ProcessTermination, AProcessTheSystemDeniesToEndKeepsItsRowChosenAndTheUserIsToldWhy) {
    FakeOsLayer os;
    os.processes = {{100, "notepad.exe"}, {612, "sshd", 1, 0, 0, false}};
    std::vector<MsgBoxRequest> boxes;
    setMsgBoxHandler([&](const MsgBoxRequest& request) {
        boxes.push_back(request);
        return vbOK;
    });
    frmMain window;
    window.Load();
    ProcessListView& list = *window.lstProcess;
    list.setSelectedItem(rowOf(window, 612));
    window.cmdKillProcess->click();

    EXPECT_TRUE(os.terminated.empty());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].prompt, "Can't end sshd (process ID 612). You have no right to end it: it "
                               "belongs to another user or to the system.");
    EXPECT_EQ(boxes[0].buttons, vbOKOnly);
    EXPECT_FALSE(boxes[0].title.has_value()) << "the application's name is the title";
    EXPECT_EQ(list.ListItems().Count(), 2);
    EXPECT_EQ(list.SelectedItem(), rowOf(window, 612));
    EXPECT_EQ(os.openHandles(), 0);
}

TEST(ProcessTermination, KillEndsOnlyARowTheUserSelected) {
    FakeOsLayer os;
    frmMain window;
    window.Load();
    window.cmdKillProcess->click(); // an empty list

    os.setProcessCount(3);
    window.cmdRefresh(); // as at start-up, at each tick of the refresh timer and after a Run
    ProcessListView& list = *window.lstProcess;
    EXPECT_EQ(currentRow(list), 1);
    window.cmdKillProcess->click();
    EXPECT_TRUE(os.opened.empty()) << "row 1 is where the keyboard starts, not a choice";

    list.setSelectedItem(2);
    window.cmdKillProcess->click();
    window.cmdRefresh();
    window.cmdKillProcess->click();
    EXPECT_EQ(os.terminated, std::vector<std::int32_t>{101});
    EXPECT_EQ(list.ListItems().Count(), 2);
}

TEST(ProcessTermination, AFailingSystemCallEndsNothingAndGoesNoFurtherThanALogLine) {
    LogCapture log;
    FakeOsLayer os;
    os.setProcessCount(2);
    frmMain window;
    window.Load();
    os.processTimesRaise = true;
    window.lstProcess->setSelectedItem(1);
    EXPECT_NO_THROW(window.cmdKillProcess->click());
    const QStringList warnings = log.messages(QtWarningMsg);
    EXPECT_TRUE(os.terminated.empty());
    EXPECT_EQ(os.openHandles(), 0) << "the process handle is closed";
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 1);
    ASSERT_EQ(warnings.size(), 1);
    EXPECT_TRUE(warnings[0].contains("GetProcessTimes")) << warnings[0].toStdString();
}

TEST(ProcessTermination, TheLastRowGoesLikeAnyOtherAndLeavesNoSelection) {
    FakeOsLayer os;
    os.setProcessCount(3);
    frmMain window;
    window.Load();
    ProcessListView& list = *window.lstProcess;
    list.setSelectedItem(3);
    window.cmdKillProcess->click();
    EXPECT_EQ(os.terminated, std::vector<std::int32_t>{102});
    EXPECT_EQ(list.ListItems().Count(), 2);
    EXPECT_EQ(list.SelectedItem(), 0);
    window.cmdKillProcess->click();
    EXPECT_EQ(os.opened.size(), 1u);
}
