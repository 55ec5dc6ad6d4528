// The full names of processes whose kernel name is cut are kept between snapshots; these
// tests make sure a kept name never outlives the program or the process it belongs to.
#include "SnapshotWalk.h"
#include "app/linux/LinuxOsLayer.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

std::string nameOf(LinuxOsLayer& os, pid_t pid) {
    const std::vector<SeenProcess> seen = walkSnapshot(os);
    const SeenProcess* process = findProcess(seen, pid);
    return process ? process->name : std::string();
}

// A shell under a chosen long name (through a link) that runs script, told to go on one
// line at a time through its input; it says "r" on its output whenever it is ready.
class ShellChild {
public:
    ShellChild(const std::string& folder, const std::string& name,
               const std::vector<std::string>& args) {
        const std::string path = folder + "/" + name;
        std::filesystem::create_symlink("/bin/sh", path);
        std::vector<std::string> words = {path};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& word : words)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        int in[2];
        int out[2];
        if (::pipe2(in, O_CLOEXEC) != 0 || ::pipe2(out, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            ::dup2(in[0], STDIN_FILENO);
            ::dup2(out[1], STDOUT_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(in[0]);
        ::close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }
    ~ShellChild() {
        ::close(input_);
        ::close(output_);
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            while (::waitpid(pid_, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
    ShellChild(const ShellChild&) = delete;
    ShellChild& operator=(const ShellChild&) = delete;

    pid_t pid() const { return pid_; }

    // Waits for the next "r"; false when the shell ended or stayed silent far too long.
    bool ready() {
        pollfd wait{output_, POLLIN, 0};
        if (::poll(&wait, 1, 20000) != 1)
            return false;
        char text[2];
        return ::read(output_, text, 2) == 2 && text[0] == 'r';
    }
    bool goOn() { return ::write(input_, "\n", 1) == 1; }

private:
    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
};

class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/korvanta-names-XXXXXX";
        if (!::mkdtemp(pattern))
            throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

// A stat line with the fields a walk reads; the others 0.
std::string statLine(int pid, const std::string& comm, std::map<int, std::uint64_t> fields) {
    fields.emplace(20, 1); // threads
    std::string line = std::to_string(pid) + " (" + comm + ") S";
    for (int field = 4; field <= 52; ++field)
        line += " " + std::to_string(fields.count(field) ? fields[field] : 0);
    return line + "\n";
}

std::map<int, std::uint64_t> layout(std::uint64_t startTime, std::uint64_t base) {
    return {{22, startTime},     {26, base},          {27, base + 0x1000}, {28, base + 0x9000},
            {48, base + 0x8000}, {49, base + 0x8100}, {50, base + 0x8100}, {51, base + 0x8800}};
}

void write(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

void writeCmdline(const std::filesystem::path& path, const std::string& name) {
    write(path, name + std::string(1, '\0') + "--flag" + std::string(1, '\0'));
}

} // namespace

TEST(LinuxNameCache, ANewProgramInTheSameProcessShowsItsOwnName) {
    // Both programs' names begin with the same 15 bytes, so the kernel name, the id and the
    // start time all stay as they were across the exec.
    TempFolder folder;
    const std::string second = folder.path() + "/long-named-proc-second";
    std::filesystem::create_symlink("/bin/sh", second);
    ShellChild child(folder.path(), "long-named-proc-first",
                     {"-c", "echo r; read x; exec \"$0\" -c 'echo r; read x'", second});
    ASSERT_TRUE(child.ready());
    LinuxOsLayer os;
    ASSERT_EQ(nameOf(os, child.pid()), "long-named-proc-first");
    ASSERT_EQ(nameOf(os, child.pid()), "long-named-proc-first"); // now from what was kept

    ASSERT_TRUE(child.goOn());
    ASSERT_TRUE(child.ready());
    EXPECT_EQ(nameOf(os, child.pid()), "long-named-proc-second");
}

TEST(LinuxNameCache, AProcessThatRenamesItselfShowsItsNewName) {
    TempFolder folder;
    ShellChild child(folder.path(), "long-named-proc-first",
                     {"-c", "echo r; read x; printf long-named-proX > /proc/$$/comm; echo r; "
                            "read x; printf renamed > /proc/$$/comm; echo r; read x"});
    ASSERT_TRUE(child.ready());
    LinuxOsLayer os;
    ASSERT_EQ(nameOf(os, child.pid()), "long-named-proc-first");
    ASSERT_EQ(nameOf(os, child.pid()), "long-named-proc-first");

    // Still 15 bytes, but no longer the start of any word of the command line.
    ASSERT_TRUE(child.goOn());
    ASSERT_TRUE(child.ready());
    EXPECT_EQ(nameOf(os, child.pid()), "long-named-proX");

    ASSERT_TRUE(child.goOn());
    ASSERT_TRUE(child.ready());
    EXPECT_EQ(nameOf(os, child.pid()), "renamed");
}

TEST(LinuxNameCache, AReusedIdShowsTheNameOfItsNewProcess) {
    // The kernel hands out the id after the one in ns_last_pid; only a privileged runner
    // may set it, and another process may take the id first, so a few tries are allowed.
    std::ofstream probe("/proc/sys/kernel/ns_last_pid");
    if (!probe)
        GTEST_SKIP() << "this runner may not choose process ids";
    TempFolder folder;
    LinuxOsLayer os;
    for (int attempt = 0; attempt < 20; ++attempt) {
        pid_t reused = 0;
        {
            ShellChild first(folder.path(), "long-named-proc-" + std::to_string(attempt),
                             {"-c", "echo r; read x"});
            ASSERT_TRUE(first.ready());
            ASSERT_EQ(nameOf(os, first.pid()), "long-named-proc-" + std::to_string(attempt));
            reused = first.pid();
        }
        {
            std::ofstream last("/proc/sys/kernel/ns_last_pid");
            last << reused - 1;
        }
        ShellChild second(folder.path(), "long-named-proc-new" + std::to_string(attempt),
                          {"-c", "echo r; read x"});
        ASSERT_TRUE(second.ready());
        if (second.pid() != reused)
            continue;
        EXPECT_EQ(nameOf(os, reused), "long-named-proc-new" + std::to_string(attempt));
        return;
    }
    GTEST_SKIP() << "other processes kept taking the id";
}

TEST(LinuxNameCache, KeptNamesFollowTheStartTimeNameAndLayoutOfAProcess) {
    TempFolder root;
    const std::filesystem::path proc = root.path();
    write(proc / "sys/kernel/randomize_va_space", "2\n");
    writeCmdline(proc / "77/cmdline", "/usr/bin/long-named-proc-one");
    write(proc / "77/stat", statLine(77, "long-named-proc", layout(100, 0x400000)));
    LinuxOsLayer os(proc.string());
    ASSERT_EQ(nameOf(os, 77), "long-named-proc-one");
    // The same program in the same process: the kept name, without reading the command
    // line again.
    writeCmdline(proc / "77/cmdline", "/usr/bin/long-named-proc-unread");
    EXPECT_EQ(nameOf(os, 77), "long-named-proc-one");

    // The id given to a new process: a later start.
    writeCmdline(proc / "77/cmdline", "/usr/bin/long-named-proc-two");
    write(proc / "77/stat", statLine(77, "long-named-proc", layout(200, 0x400000)));
    EXPECT_EQ(nameOf(os, 77), "long-named-proc-two");

    // A new program in the same process: a new layout.
    writeCmdline(proc / "77/cmdline", "/usr/bin/long-named-proc-three");
    write(proc / "77/stat", statLine(77, "long-named-proc", layout(200, 0x500000)));
    EXPECT_EQ(nameOf(os, 77), "long-named-proc-three");

    // A process that ended between two walks and whose id came back with everything else
    // equal is met again only after a walk that missed it: nothing of it is kept.
    std::filesystem::remove_all(proc / "77");
    EXPECT_EQ(nameOf(os, 77), "");
    writeCmdline(proc / "77/cmdline", "/usr/bin/long-named-proc-four");
    write(proc / "77/stat", statLine(77, "long-named-proc", layout(200, 0x500000)));
    EXPECT_EQ(nameOf(os, 77), "long-named-proc-four");
}

TEST(LinuxNameCache, NothingIsKeptWhereTheLayoutIsHiddenOrNotRandom) {
    TempFolder root;
    const std::filesystem::path proc = root.path();
    write(proc / "sys/kernel/randomize_va_space", "2\n");
    // Another user's process: the kernel hides the layout (code bounds 1, the rest 0).
    writeCmdline(proc / "5/cmdline", "/usr/bin/long-named-proc-one");
    write(proc / "5/stat", statLine(5, "long-named-proc", {{22, 100}, {26, 1}, {27, 1}}));
    // A process of ours, on a system that places programs at fixed addresses.
    writeCmdline(proc / "6/cmdline", "/usr/bin/long-named-proc-one");
    write(proc / "6/stat", statLine(6, "long-named-proc", layout(100, 0x400000)));
    LinuxOsLayer os(proc.string());
    ASSERT_EQ(nameOf(os, 5), "long-named-proc-one");
    writeCmdline(proc / "5/cmdline", "/usr/bin/long-named-proc-two");
    EXPECT_EQ(nameOf(os, 5), "long-named-proc-two");

    write(proc / "sys/kernel/randomize_va_space", "0\n");
    ASSERT_EQ(nameOf(os, 6), "long-named-proc-one");
    writeCmdline(proc / "6/cmdline", "/usr/bin/long-named-proc-two");
    EXPECT_EQ(nameOf(os, 6), "long-named-proc-two");
}

TEST(LinuxNameCache, AKernelThreadKeepsItsKernelName) {
    TempFolder root;
    const std::filesystem::path proc = root.path();
    // A command line that would give a longer name, were a kernel thread to have one.
    writeCmdline(proc / "9/cmdline", "/sbin/kworker-u8-1-events_unbound");
    write(proc / "9/stat", statLine(9, "kworker-u8-1-ev", {{9, 0x00208040}, {22, 5}}));
    LinuxOsLayer os(proc.string());
    EXPECT_EQ(nameOf(os, 9), "kworker-u8-1-ev");
}
