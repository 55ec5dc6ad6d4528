#include "ChildProcess.h"
#include "HandleCounting.h"
#include "app/ProgramEnd.h"
#include "app/linux/LinuxOsLayer.h"

#include <csignal>
#include <cstddef>
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
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

std::uint64_t systemTime(LinuxOsLayer& os) {
    basDeclares::FILETIME now{};
    os.GetSystemTimeAsFileTime(now);
    return basDeclares::FileTimeValue(now);
}

// From here on the calling process finds a system call missing, as on older kernels.
bool withoutSystemCall(long number) {
    sock_filter filter[] = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<std::uint32_t>(number), 0, 1),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
    };
    sock_fprog program{static_cast<unsigned short>(std::size(filter)), filter};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) == 0;
}

} // namespace

TEST(LinuxProcessHandle, OpenTerminateCloseEndsARealProcessAndLeavesOthersAlone) {
    HandleCounting<LinuxOsLayer> os;
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
    HandleCounting<LinuxOsLayer> os;
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
    HandleCounting<LinuxOsLayer> os;
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
    HandleCounting<LinuxOsLayer> os;
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

TEST(LinuxProcessHandle, TheCreationTimeLiesBetweenTwoReadingsOfTheSystemTimeAroundTheStart) {
    LinuxOsLayer os;
    const std::uint64_t before = systemTime(os);
    ChildProcess child;
    const std::uint64_t after = systemTime(os);
    const auto handle =
        os.OpenProcess(basDeclares::PROCESS_QUERY_LIMITED_INFORMATION, 0, child.pid());
    ASSERT_NE(handle, 0);
    basDeclares::FILETIME created{}, exited{}, kernel{}, user{};
    ASSERT_EQ(os.GetProcessTimes(handle, created, exited, kernel, user), 1);
    EXPECT_GE(basDeclares::FileTimeValue(created), before);
    EXPECT_LT(basDeclares::FileTimeValue(created), after) << "it started in an earlier tick";
    EXPECT_EQ(os.CloseHandle(handle), 1);
    EXPECT_EQ(os.GetProcessTimes(handle, created, exited, kernel, user), 0);
}

// Before Linux 5.1 there is no pidfd_send_signal: the signal goes by id, while the
// process's folder still shows it.
TEST(LinuxProcessHandle, WithoutPidfdSendSignalAProcessIsEndedByItsId) {
    ChildProcess target;
    LinuxOsLayer os; // made before the fork: the child process only makes system calls
    const pid_t tester = ::fork();
    ASSERT_GE(tester, 0);
    if (tester == 0) {
        if (!withoutSystemCall(SYS_pidfd_send_signal))
            ::_exit(2);
        const auto handle = os.OpenProcess(PROCESS_ALL_ACCESS, 0, target.pid());
        ::_exit(handle != 0 && os.TerminateProcess(handle, 0) == 1 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(tester, &status, 0), tester);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0) << "2: the system call could not be taken away";
    EXPECT_TRUE(endedByKill(target.reap()));
}
