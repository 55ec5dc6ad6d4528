#include "app/linux/LinuxOsLayer.h"
#include "ChildProcess.h"
#include "HandleCounting.h"
#include "LinuxOpenStatFiles.h"
#include "SnapshotWalk.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

TEST(LinuxOsLayer, SnapshotListsEveryProcessInAscendingIdOrder) {
    const auto listProc = [] {
        std::set<std::int32_t> ids;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") == std::string::npos)
                ids.insert(std::stoi(name));
        }
        return ids;
    };
    const std::set<std::int32_t> before = listProc();
    HandleCounting<LinuxOsLayer> os;
    const std::vector<SeenProcess> seen = walkSnapshot(os);
    const std::set<std::int32_t> after = listProc();
    // Processes come and go while we look: every one that was there before and after the
    // walk must be in it.
    std::set<std::int32_t> walked;
    for (const SeenProcess& entry : seen)
        walked.insert(entry.record.th32ProcessID);
    for (const std::int32_t id : before)
        EXPECT_TRUE(!after.count(id) || walked.count(id)) << id;
    for (std::size_t k = 1; k < seen.size(); ++k)
        EXPECT_LT(seen[k - 1].record.th32ProcessID, seen[k].record.th32ProcessID);

    const SeenProcess* self = findProcess(seen, ::getpid());
    ASSERT_TRUE(self);
    EXPECT_EQ(self->record.dwSize, 296);
    EXPECT_EQ(self->record.th32ParentProcessID, ::getppid());
    EXPECT_EQ(self->record.cntUsage, 0);
    EXPECT_EQ(self->record.dwFlags, 0);
    // The runner's own nice value (8 for normal, 6 when it runs under nice).
    EXPECT_EQ(self->record.pcPriClassBase,
              LinuxOsLayer::basePriority(::getpriority(PRIO_PROCESS, 0), 0));
    EXPECT_EQ(os.openHandleCount(), 0u);
}

TEST(LinuxOsLayer, AStartedProcessShowsItsNameThreadsAndParent) {
    ChildProcess child(4, "korvanta-probe");
    LinuxOsLayer os;
    const auto walked = walkSnapshot(os);
    const SeenProcess* seen = findProcess(walked, child.pid());
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->name, "korvanta-probe");
    EXPECT_EQ(seen->record.cntThreads, 4);
    EXPECT_EQ(seen->record.th32ParentProcessID, ::getpid());
}

TEST(LinuxOsLayer, NamesCutByTheKernelComeWholeFromTheCommandLine) {
    const std::string awkward = "a) b (c) d long-named-proc";
    ChildProcess cut(1, awkward);
    ChildProcess exactly15(1, "fifteen-bytes-x");
    ChildProcess spaced(1, "x) y");
    LinuxOsLayer os;
    const auto seen = walkSnapshot(os);
    ASSERT_TRUE(findProcess(seen, cut.pid()));
    EXPECT_EQ(findProcess(seen, cut.pid())->name, awkward);
    EXPECT_EQ(findProcess(seen, exactly15.pid())->name, "fifteen-bytes-x");
    EXPECT_EQ(findProcess(seen, spaced.pid())->name, "x) y");
}

TEST(LinuxOsLayer, ANameLongerThanTheBufferIsCutToFitWithItsNul) {
    const std::string longName(255, 'n'); // the longest file name Linux allows
    ChildProcess child(1, longName);
    LinuxOsLayer os;
    const auto walked = walkSnapshot(os);
    const SeenProcess* seen = findProcess(walked, child.pid());
    ASSERT_TRUE(seen);
    EXPECT_EQ(seen->name, longName);
    EXPECT_EQ(seen->record.szExeFile[255], '\0');
}

TEST(LinuxOsLayer, NiceValuesMapToBasePriorities) {
    EXPECT_EQ(LinuxOsLayer::basePriority(0, 0), 8);
    EXPECT_EQ(LinuxOsLayer::basePriority(5, 0), 6);
    EXPECT_EQ(LinuxOsLayer::basePriority(19, 0), 4);
    EXPECT_EQ(LinuxOsLayer::basePriority(-5, 0), 10);
    EXPECT_EQ(LinuxOsLayer::basePriority(-20, 0), 13);
    EXPECT_EQ(LinuxOsLayer::basePriority(0, 1), 24);
}

TEST(LinuxOsLayer, AnUnreadableProcessTableFailsTheSnapshot) {
    HandleCounting<LinuxOsLayer> os("/nonexistent-proc");
    EXPECT_EQ(os.CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0),
              basDeclares::INVALID_HANDLE_VALUE);
    EXPECT_EQ(os.openHandleCount(), 0u);
}

TEST(LinuxOsLayer, EntriesThatAreNotProcessesOrVanishAreSkipped) {
    // A table of our own: one real process, one that is gone, and names that are no ids.
    const std::filesystem::path root =
        std::filesystem::temp_directory_path() / ("korvanta-proc-" + std::to_string(::getpid()));
    std::filesystem::create_directories(root / "42");
    std::filesystem::create_directories(root / "43"); // ended: no stat any more
    std::filesystem::create_directories(root / "self");
    std::filesystem::create_directories(root / "12a");
    std::ofstream(root / "42" / "stat")
        << "42 (name) with) spaces) S 7 42 42 0 -1 4194560 1 0 0 0 0 0 0 0 20 0 3 0 55 1 1 1\n";
    LinuxOsLayer os(root.string());
    const auto seen = walkSnapshot(os);
    std::filesystem::remove_all(root);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].record.th32ProcessID, 42);
    EXPECT_EQ(seen[0].name, "name) with) spaces");
    EXPECT_EQ(seen[0].record.cntThreads, 3);
    EXPECT_EQ(seen[0].record.th32ParentProcessID, 7);
}

TEST(LinuxOsLayer, EnumerationRefusesAWrongRecordSizeOrHandle) {
    LinuxOsLayer os;
    basDeclares::PROCESSENTRY32 record{};
    record.dwSize = 200;
    const auto handle = os.CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0);
    EXPECT_EQ(os.Process32First(handle, record), 0);
    record.dwSize = sizeof record;
    EXPECT_EQ(os.Process32First(handle + 1, record), 0);
    EXPECT_EQ(os.CloseHandle(handle), 1);
    EXPECT_EQ(os.CloseHandle(handle), 0);
}

TEST(LinuxOsLayer, TheFolderIsListedAgainOnlyOnceAProcessMayHaveStarted) {
    const std::filesystem::path root = std::filesystem::temp_directory_path() /
                                       ("korvanta-proc-started-" + std::to_string(::getpid()));
    const auto process = [&](int pid) {
        std::filesystem::create_directories(root / std::to_string(pid));
        std::ofstream(root / std::to_string(pid) / "stat")
            << pid << " (p" << pid << ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 5 1 1 1\n";
    };
    // The last id handed out, and the ids the program has in the namespaces from this
    // /proc's down to its own.
    const auto started = [&](const std::string& lastId) {
        std::ofstream(root / "loadavg") << "0.10 0.20 0.30 1/345 " << lastId << "\n";
    };
    const auto namespaces = [&](const std::string& ids) {
        std::filesystem::create_directories(root / "self");
        std::ofstream(root / "self" / "status")
            << "Name:\tx\nPid:\t7\nNSpid:\t" << ids << "\nNSpgid:\t7\n";
    };
    const auto ids = [](const std::vector<SeenProcess>& seen) {
        std::set<std::int32_t> pids;
        for (const SeenProcess& entry : seen)
            pids.insert(entry.record.th32ProcessID);
        return pids;
    };
    // A process made after the last listing is seen only when the folder is listed again.
    process(10);
    process(11);
    started("500");
    namespaces(std::to_string(::getpid()));
    LinuxOsLayer os(root.string());
    EXPECT_EQ(ids(walkSnapshot(os)), (std::set<std::int32_t>{10, 11}));

    // Not started by the system's count, so not looked for.
    process(12);
    EXPECT_EQ(ids(walkSnapshot(os)), (std::set<std::int32_t>{10, 11}));
    EXPECT_EQ(ids(walkSnapshot(os)), (std::set<std::int32_t>{10, 11}));

    started("501");
    EXPECT_EQ(ids(walkSnapshot(os)), (std::set<std::int32_t>{10, 11, 12}));
    process(13);
    EXPECT_EQ(ids(walkSnapshot(os)), (std::set<std::int32_t>{10, 11, 12}));

    // Without a last id the folder is listed every time.
    started("none");
    EXPECT_EQ(ids(walkSnapshot(os)), (std::set<std::int32_t>{10, 11, 12, 13}));
    process(14);
    EXPECT_EQ(ids(walkSnapshot(os)), (std::set<std::int32_t>{10, 11, 12, 13, 14}));

    // A /proc of another pid namespace counts ids the program's does not see: listed every
    // time too.
    started("501");
    namespaces("70\t" + std::to_string(::getpid()));
    LinuxOsLayer outer(root.string());
    EXPECT_EQ(ids(walkSnapshot(outer)), (std::set<std::int32_t>{10, 11, 12, 13, 14}));
    process(15);
    EXPECT_EQ(ids(walkSnapshot(outer)), (std::set<std::int32_t>{10, 11, 12, 13, 14, 15}));
    std::filesystem::remove_all(root);
}

// Whether the folder is listed again or not, a process started between two snapshots is
// in the second, and one that has ended is not.
TEST(LinuxOsLayer, EachSnapshotHasTheProcessesStartedAndLacksThoseEndedSinceTheLast) {
    const auto others = openStatFiles(); // kept by the layers of earlier tests
    LinuxOsLayer os;
    walkSnapshot(os);
    auto child = std::make_unique<ChildProcess>(1, "korvanta-between");
    const pid_t pid = child->pid();
    EXPECT_TRUE(findProcess(walkSnapshot(os), pid));
    ::kill(pid, SIGKILL);
    child->reap();
    EXPECT_FALSE(findProcess(walkSnapshot(os), pid));
    EXPECT_EQ(statFilesOpenedSince(others).count(pid), 0u) << "its stat file is closed";
}
