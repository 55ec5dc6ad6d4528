#include "ChildProcess.h"
#include "app/LinuxOsLayer.h"
#include "app/ProgramEnd.h"

#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using basDeclares::PROCESS_ALL_ACCESS;

bool endedByKill(int status) {
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

bool stillRunning(const ChildProcess& child) {
    int status = 0;
    return ::waitpid(child.pid(), &status, WNOHANG) == 0;
}

} // namespace

TEST(LinuxProcessHandle, OpenTerminateCloseEndsARealProcessAndLeavesOthersAlone) {
    LinuxOsLayer os;
    ChildProcess target(3, "korvanta-target");
    ChildProcess bystander(1, "korvanta-bystander");
    const auto handle = os.OpenProcess(PROCESS_ALL_ACCESS, 0, target.pid());
    ASSERT_NE(handle, 0);
    EXPECT_EQ(os.openHandleCount(), 1u);
    EXPECT_EQ(os.TerminateProcess(handle, 0), 1);
    EXPECT_EQ(os.CloseHandle(handle), 1);
    EXPECT_EQ(os.openHandleCount(), 0u);
    EXPECT_TRUE(endedByKill(target.reap()));
    EXPECT_TRUE(stillRunning(bystander));
    EXPECT_EQ(os.CloseHandle(handle), 0) << "a handle closes once";
}

TEST(LinuxProcessHandle, NoHandleForIdZeroANegativeIdOrAProcessThatIsGone) {
    LinuxOsLayer os;
    ChildProcess child;
    const pid_t gone = child.pid();
    ::kill(gone, SIGKILL);
    child.reap();
    for (std::int32_t id : {0, -1, INT32_MIN, static_cast<std::int32_t>(gone)})
        EXPECT_EQ(os.OpenProcess(PROCESS_ALL_ACCESS, 0, id), 0) << id;
    EXPECT_EQ(os.openHandleCount(), 0u);
    EXPECT_EQ(os.TerminateProcess(0, 0), 0);
}

TEST(LinuxProcessHandle, AHandleWhoseProcessHasEndedSinceEndsNothing) {
    LinuxOsLayer os;
    std::int32_t id = 0;
    OsLayer::HANDLE handle = 0;
    {
        ChildProcess child;
        id = child.pid();
        handle = os.OpenProcess(PROCESS_ALL_ACCESS, 0, id);
        ASSERT_NE(handle, 0);
    } // ended and reaped: its id is free for the system to give out again
    EXPECT_EQ(os.TerminateProcess(handle, 0), 0);
    EXPECT_EQ(os.CloseHandle(handle), 1);
    EXPECT_EQ(os.openHandleCount(), 0u);
}

TEST(LinuxProcessHandle, OnlyProcessHandlesTerminate) {
    LinuxOsLayer os;
    ChildProcess child;
    const auto snapshot = os.CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, basDeclares::INVALID_HANDLE_VALUE);
    EXPECT_EQ(os.TerminateProcess(snapshot, 0), 0);
    EXPECT_EQ(os.TerminateProcess(snapshot + 1000, 0), 0);
    EXPECT_EQ(os.CloseHandle(snapshot), 1);
    EXPECT_TRUE(stillRunning(child));
}

TEST(LinuxProcessHandle, AProcessThisUserMayNotSignalCannotBeOpened) {
    ChildProcess target;
    LinuxOsLayer os; // made before the fork: the child process only makes system calls
    if (::geteuid() != 0) {
        EXPECT_EQ(os.OpenProcess(PROCESS_ALL_ACCESS, 0, 1), 0) << "init belongs to root";
        return;
    }
    // As root, ask from a process that has given up root for an unprivileged user.
    const pid_t asker = ::fork();
    ASSERT_GE(asker, 0);
    if (asker == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(2);
        ::_exit(os.OpenProcess(PROCESS_ALL_ACCESS, 0, target.pid()) == 0 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(asker, &status, 0), asker);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "2: could not become an unprivileged user";
    EXPECT_TRUE(stillRunning(target));
}

TEST(LinuxProcessHandle, TerminatingTheProgramsOwnProcessEndsTheProgramWithTheExitCode) {
    LinuxOsLayer os;
    std::vector<int> endings;
    setEndProgramHook([&](int code) { endings.push_back(code); });
    const auto handle =
        os.OpenProcess(PROCESS_ALL_ACCESS, 0, static_cast<std::int32_t>(::getpid()));
    ASSERT_NE(handle, 0);
    os.TerminateProcess(handle, 0);
    EXPECT_EQ(endings, std::vector<int>{0});
    EXPECT_EQ(os.CloseHandle(handle), 1);
    EXPECT_EQ(os.openHandleCount(), 0u);
}
