#include "ChildProcess.h"
#include "FakeOsLayer.h"
#include "app/LinuxOsLayer.h"
#include "app/ProgramEnd.h"
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
class GuardedLinuxLayer : public LinuxOsLayer {
public:
    GuardedLinuxLayer() : previous_(OsLayer::install(this)) {}
    ~GuardedLinuxLayer() override { OsLayer::install(previous_); }

    std::set<std::int32_t> mayEnd;
    std::vector<std::int32_t> ended;

    HANDLE OpenProcess(std::int32_t access, std::int32_t inherit, std::int32_t id) override {
        const HANDLE handle = LinuxOsLayer::OpenProcess(access, inherit, id);
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
        return LinuxOsLayer::TerminateProcess(handle, exitCode);
    }

private:
    std::map<HANDLE, std::int32_t> ids_;
    OsLayer* previous_;
};

int rowOf(const frmMain& window, std::int32_t id) {
    const ProcessListModel& rows = window.lstProcess->ListItems();
    for (int position = 1; position <= rows.Count(); ++position)
        if (rows.Text(position) == QString::number(id))
            return position;
    return 0;
}

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

TEST(ProcessTermination, ARowWhoseIdNowBelongsToAnotherProgramEndsNothing) {
    FakeOsLayer os;
    os.processes = {{100, "notepad.exe"}, {200, "calc.exe"}, {300, "winword.exe"}};
    frmMain window;
    window.Load();
    // While the list stood still, notepad ended and its id went to another program.
    os.processes[0].name = "database.exe";
    ProcessListView& list = *window.lstProcess;

    list.setSelectedItem(rowOf(window, 100));
    window.cmdKillProcess->click();
    EXPECT_EQ(os.opened, std::vector<std::int32_t>{100});
    EXPECT_TRUE(os.terminated.empty());
    EXPECT_EQ(rowOf(window, 100), 0) << "the row goes all the same";

    list.setSelectedItem(rowOf(window, 200));
    window.cmdKillProcess->click();
    EXPECT_EQ(os.terminated, std::vector<std::int32_t>{200}) << "a row that still holds";
    EXPECT_EQ(os.openHandles(), 0);
}

TEST(ProcessTermination, WithNoRowSelectedThePressDoesNothing) {
    FakeOsLayer os;
    frmMain window;
    window.Load();
    ASSERT_EQ(window.lstProcess->ListItems().Count(), 0);
    window.cmdKillProcess->click();

    os.setProcessCount(3);
    window.cmdRefresh();
    window.lstProcess->clearSelectedItem();
    window.cmdKillProcess->click();
    EXPECT_TRUE(os.opened.empty());
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 3);
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
