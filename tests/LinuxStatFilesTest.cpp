// The stat files that the Linux layer keeps open between snapshots, against the real
// /proc: each stays with its process and goes with it, and when descriptors run short
// every process is still listed.
#include "ChildProcess.h"
#include "LinuxOpenStatFiles.h"
#include "app/linux/LinuxOsLayer.h"

#include <algorithm>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Id and name of every process a snapshot holds.
std::map<std::int32_t, std::string> walk(LinuxOsLayer& os) {
    std::map<std::int32_t, std::string> seen;
    const auto handle = os.CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0);
    basDeclares::PROCESSENTRY32 record{};
    record.dwSize = sizeof record;
    for (auto more = os.Process32First(handle, record); more;
         more = os.Process32Next(handle, record))
        seen[record.th32ProcessID] = record.szExeFile;
    os.CloseHandle(handle);
    return seen;
}

} // namespace

TEST(LinuxStatFiles, AProcessKeepsOneStatFileWhileItRunsAndNoneOnceItHasEnded) {
    const auto others = openStatFiles(); // kept by the layers of earlier tests
    LinuxOsLayer os;
    auto first = std::make_unique<ChildProcess>(1, "korvanta-first");
    const pid_t firstPid = first->pid();
    ASSERT_EQ(walk(os)[firstPid], "korvanta-first");
    EXPECT_EQ(statFilesOpenedSince(others)[firstPid], 1);
    EXPECT_EQ(walk(os).count(firstPid), 1u);
    EXPECT_EQ(statFilesOpenedSince(others)[firstPid], 1) << "read again through the same file";

    ::kill(firstPid, SIGKILL);
    first->reap();
    first.reset();
    ChildProcess second(1, "korvanta-second");
    const auto seen = walk(os);
    EXPECT_EQ(seen.count(firstPid), 0u);
    EXPECT_EQ(seen.at(second.pid()), "korvanta-second");
    EXPECT_EQ(statFilesOpenedSince(others).count(firstPid), 0u);
    EXPECT_EQ(statFilesOpenedSince(others)[second.pid()], 1);
    // Every file kept is one of a process the snapshot lists.
    for (const auto& [pid, count] : statFilesOpenedSince(others))
        EXPECT_EQ(seen.count(pid), 1u) << pid;
}

// In a child process whose hard limit leaves room for only a few descriptors: the layer
// keeps what its budget allows and reads the rest the plain way; once the program has
// used up every descriptor, it gives kept ones back rather than leave processes out.
TEST(LinuxStatFiles, WhenDescriptorsRunShortEveryProcessIsStillListed) {
    ChildProcess probes[] = {ChildProcess(1, "korvanta-probe-a"),
                             ChildProcess(2, "korvanta-probe-b"),
                             ChildProcess(3, "korvanta-probe-c")};
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(report[0]);
        std::string failures;
        const auto check = [&](bool held, const char* what) {
            if (!held)
                failures += std::string(what) + "; ";
        };
        // Every descriptor the runner has open, its layers' kept stat files among them: as
        // many as the processes on the machine, which may be thousands.
        rlimit runner{};
        ::getrlimit(RLIMIT_NOFILE, &runner);
        const int highest = static_cast<int>(std::min<rlim_t>(runner.rlim_cur, 1 << 20));
        int open = 0;
        for (int fd = 0; fd < highest; ++fd)
            open += ::fcntl(fd, F_GETFD) >= 0 ? 1 : 0;
        const rlimit tight{static_cast<rlim_t>(open + 24), static_cast<rlim_t>(open + 24)};
        check(::setrlimit(RLIMIT_NOFILE, &tight) == 0, "setup: the limit could not be lowered");
        const auto inherited = openStatFiles();
        LinuxOsLayer os;
        const auto kept = [&] {
            return static_cast<std::size_t>(statFileCount(statFilesOpenedSince(inherited)));
        };
        const auto matches = [&](const std::map<std::int32_t, std::string>& seen) {
            return seen.size() > kept() && seen.count(probes[0].pid()) &&
                   seen.at(probes[0].pid()) == "korvanta-probe-a" && seen.count(probes[1].pid()) &&
                   seen.at(probes[1].pid()) == "korvanta-probe-b" && seen.count(probes[2].pid()) &&
                   seen.at(probes[2].pid()) == "korvanta-probe-c";
        };
        check(matches(walk(os)), "within the budget: a process is missing or misnamed");
        // The budget is half of the 24 descriptors left free (the count of them took one).
        const std::size_t budget = kept();
        check(budget == 11 || budget == 12, "the budget was not half of what was left");
        check(matches(walk(os)), "a second snapshot: a process is missing or misnamed");
        check(kept() == budget, "a second snapshot kept other files");

        // Every free descriptor taken, as by the rest of the program.
        while (::dup(STDIN_FILENO) >= 0) {
        }
        check(matches(walk(os)), "without free descriptors: a process is missing or misnamed");
        check(kept() < budget, "no kept file was given back");
        failures += "\n";
        const ssize_t written = ::write(report[1], failures.data(), failures.size());
        ::_exit(written > 0 && failures == "\n" ? 0 : 1);
    }
    ::close(report[1]);
    std::string said;
    char buffer[512];
    for (ssize_t got; (got = ::read(report[0], buffer, sizeof buffer)) > 0;)
        said.append(buffer, static_cast<std::size_t>(got));
    ::close(report[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << said;
}
