// Processes that change under the walk: ending between the listing and the read of
// their stat, ending without being reaped, renaming themselves, and a process table
// that cannot be read at all.
#include "ChildProcess.h"
#include "HandleCounting.h"
#include "InstalledLayer.h"
#include "RowOf.h"
#include "SnapshotWalk.h"
#include "app/linux/LinuxOsLayer.h"
#include "main_window/main_window.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// A process table of the test's own, removed with the object.
class ProcRoot {
public:
    ProcRoot() {
        char pattern[] = "/tmp/korvanta-proc-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~ProcRoot() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    const fs::path& path() const { return path_; }
    // An entry that stands for a real process: its folder in /proc.
    void link(pid_t pid) {
        fs::create_directory_symlink("/proc/" + std::to_string(pid), path_ / std::to_string(pid));
    }
    void writeStat(int pid, const std::string& text) {
        fs::create_directories(path_ / std::to_string(pid));
        std::ofstream(path_ / std::to_string(pid) / "stat") << text;
    }

private:
    fs::path path_;
};

std::string statLine(int pid, const std::string& name, int threads) {
    return std::to_string(pid) + " (" + name + ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 " +
           std::to_string(threads) + " 0 100 0 0\n";
}

} // namespace

TEST(ProcessRace, AProcessThatEndsBetweenTheListingAndTheReadOfItsStatIsLeftOut) {
    ChildProcess stays(1, "korvanta-stays");
    ChildProcess ends(1, "korvanta-ends");
    ProcRoot root;
    root.link(stays.pid());
    root.link(ends.pid());
    // Listed while it ran; by the time its stat is read it has ended and been reaped.
    ::kill(ends.pid(), SIGKILL);
    const pid_t endedPid = ends.pid();
    ends.reap();

    HandleCounting<LinuxOsLayer> os(root.path().string());
    const auto seen = walkSnapshot(os);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].record.th32ProcessID, stays.pid());
    EXPECT_EQ(seen[0].name, "korvanta-stays");
    EXPECT_EQ(findProcess(seen, endedPid), nullptr);
    EXPECT_EQ(os.openHandleCount(), 0u);
}

TEST(ProcessRace, StatFilesThatAreGoneEmptyCutOrUnreadableLeaveTheirProcessOut) {
    ProcRoot root;
    root.writeStat(10, statLine(10, "first", 2));
    fs::create_directories(root.path() / "11");  // ended: the folder is there, its stat not
    root.writeStat(12, "");                      // ended while being read
    root.writeStat(13, "13 (cut) S 1 1 1 0 -1"); // cut short
    root.writeStat(14, "14 (no-end S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 1\n");
    fs::create_directories(root.path() / "15" / "stat"); // reading it fails
    root.writeStat(16, statLine(16, "last", 1));

    LinuxOsLayer os(root.path().string());
    const auto seen = walkSnapshot(os);
    std::set<std::int32_t> pids;
    for (const SeenProcess& entry : seen)
        pids.insert(entry.record.th32ProcessID);
    EXPECT_EQ(pids, (std::set<std::int32_t>{10, 16}));
    ASSERT_TRUE(findProcess(seen, 10));
    EXPECT_EQ(findProcess(seen, 10)->name, "first");
    EXPECT_EQ(findProcess(seen, 10)->record.cntThreads, 2);
}

TEST(ProcessRace, AZombieIsListedUnderItsShortName) {
    ChildProcess child(3, "korvanta-zombie-with-long-name");
    ::kill(child.pid(), SIGKILL);
    // Wait until it has ended, without reaping it: it stays a zombie until the end of the
    // test, when the child object reaps it.
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(child.pid()), &info, WEXITED | WNOWAIT), 0);

    HandleCounting<LinuxOsLayer> os;
    const auto seen = walkSnapshot(os);
    const SeenProcess* zombie = findProcess(seen, child.pid());
    ASSERT_TRUE(zombie);
    // Its command line is gone with its memory, so the kernel's 15 bytes are all there is.
    EXPECT_EQ(zombie->name, "korvanta-zombie");
    EXPECT_EQ(zombie->record.cntThreads, 1); // its other two threads are gone
    EXPECT_EQ(os.openHandleCount(), 0u);
}

TEST(ProcessRace, AProcessRenamingItselfDuringWalksIsListedEveryTimeUnderItsNames) {
    const char* const names[] = {"first-name", "the (other)) n"};
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::prctl(PR_SET_NAME, names[0]);
        if (::write(ready[1], "r", 1) != 1)
            ::_exit(1);
        for (unsigned long turn = 0;; ++turn)
            ::prctl(PR_SET_NAME, names[turn % 2]);
    }
    struct Reaper {
        pid_t pid;
        ~Reaper() {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    } reaper{pid};
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);

    // A table that holds only the renamer keeps each walk short, so many fall on a rename.
    ProcRoot root;
    root.link(pid);
    HandleCounting<LinuxOsLayer> os(root.path().string());
    for (int round = 0; round < 2000; ++round) {
        const auto seen = walkSnapshot(os);
        const SeenProcess* renamer = findProcess(seen, pid);
        ASSERT_TRUE(renamer) << "round " << round;
        // The kernel does not read a name atomically: one read during a rename may give
        // the first bytes of one name and the rest of the other. Every byte still comes
        // from one of the two names at its own place.
        const std::string& name = renamer->name;
        const std::string_view first = names[0], second = names[1];
        EXPECT_GE(name.size(), first.size()) << "round " << round;
        EXPECT_LE(name.size(), second.size()) << "round " << round;
        for (std::size_t k = 0; k < name.size(); ++k)
            EXPECT_TRUE((k < first.size() && name[k] == first[k]) || name[k] == second[k])
                << "round " << round << ": '" << name << "'";
    }
    EXPECT_EQ(os.openHandleCount(), 0u);
}

TEST(ProcessRace, WhenTheProcessTableCannotBeReadTheListEmptiesUntilItCanAgain) {
    ProcRoot root;
    root.writeStat(20, statLine(20, "one", 1));
    root.writeStat(21, statLine(21, "two", 1));
    HandleCounting<LinuxOsLayer> os(root.path().string());
    InstalledLayer installed(os);
    frmMain window;
    window.Load();
    ASSERT_EQ(window.lstProcess->ListItems().Count(), 2);
    EXPECT_EQ(currentRow(*window.lstProcess), 1);

    // The folder goes while the layer holds it open: the next listing fails.
    fs::remove_all(root.path());
    window.cmdRefresh();
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 0);
    EXPECT_EQ(currentRow(*window.lstProcess), 0);
    EXPECT_EQ(window.lngProcessCount, 0);
    EXPECT_EQ(os.openHandleCount(), 0u);

    // Once a table can be read again, the next refresh shows it.
    root.writeStat(22, statLine(22, "back", 1));
    window.cmdRefresh();
    ASSERT_EQ(window.lstProcess->ListItems().Count(), 1);
    EXPECT_EQ(window.lstProcess->ListItems().Text(1, 1), "back");
}

TEST(ProcessRace, AProcessTableThatWasNeverReadableGivesAnEmptyList) {
    LinuxOsLayer os("/nonexistent-proc");
    InstalledLayer installed(os);
    frmMain window;
    window.Load();
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 0);
    EXPECT_EQ(window.lstProcess->SelectedItem(), 0);
    window.cmdRefresh();
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 0);
}
