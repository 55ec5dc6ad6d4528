#include "app/linux/LinuxCommandLine.h"
#include "app/linux/LinuxOsLayer.h"

#include <QTest>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using Words = std::vector<std::string>;

namespace {

// A private folder, removed with what the started programs left in it.
class TempFolder {
public:
    TempFolder() {
        char pattern[] = "/tmp/korvanta-start-XXXXXX";
        path_ = ::mkdtemp(pattern) ? pattern : "";
    }
    ~TempFolder() {
        std::error_code ignored;
        fs::remove_all(path_, ignored);
    }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

bool appears(const std::string& path) {
    return QTest::qWaitFor([&] { return fs::exists(fs::symlink_status(path)); }, 10000);
}

// After a start no child of ours is left, running or dead: the program was adopted.
void expectNoChildLeft() {
    errno = 0;
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

} // namespace

TEST(LinuxCommandLine, SpacesSeparateWordsAndDoubleQuotesGroupThem) {
    EXPECT_EQ(splitCommandLine("notepad"), Words({"notepad"}));
    EXPECT_EQ(splitCommandLine("  touch \t a   b  "), Words({"touch", "a", "b"}));
    EXPECT_EQ(splitCommandLine(R"(touch "a b"  "c")"), Words({"touch", "a b", "c"}));
    EXPECT_EQ(splitCommandLine(R"(x "a b"c d"e f")"), Words({"x", "a bc", "de f"}));
    EXPECT_EQ(splitCommandLine(R"(x "" "")"), Words({"x", "", ""}));
    EXPECT_EQ(splitCommandLine(R"("/opt/my tools/run" "left open)"),
              Words({"/opt/my tools/run", "left open"}));
    EXPECT_EQ(splitCommandLine(""), Words{});
    EXPECT_EQ(splitCommandLine(" \t "), Words{});
    EXPECT_EQ(splitCommandLine(R"("")"), Words({""}));
}

TEST(LinuxCommandLine, NothingElseIsSpecial) {
    EXPECT_EQ(
        splitCommandLine(R"(echo $HOME ~ *.txt a;b|c>d `e` 'f g' C:\dir\ \"x)"),
        Words({"echo", "$HOME", "~", "*.txt", "a;b|c>d", "`e`", "'f", "g'", "C:\\dir\\", "\\x"}));
}

TEST(LinuxCommandLine, TheProgramIsLookedForAlongThePathAsExecvpDoes) {
    EXPECT_EQ(programCandidates("ls", "/usr/local/bin:/bin/"),
              Words({"/usr/local/bin/ls", "/bin/ls"}));
    EXPECT_EQ(programCandidates("ls", ":/bin::"), Words({"ls", "/bin/ls", "ls", "ls"}));
    EXPECT_EQ(programCandidates("ls", nullptr), Words({"/bin/ls", "/usr/bin/ls"}));
    EXPECT_EQ(programCandidates("./ls", "/bin"), Words({"./ls"}));
    EXPECT_EQ(programCandidates("/usr/bin/env", "/bin"), Words({"/usr/bin/env"}));
    EXPECT_EQ(programCandidates("", "/bin"), Words{});
}

TEST(LinuxProgramStart, TheNamedProgramRunsWithItsArguments) {
    TempFolder folder;
    LinuxOsLayer os;
    EXPECT_TRUE(os.StartCommandLine("touch " + folder / "first" + " " + folder / "second", 1));
    expectNoChildLeft();
    EXPECT_TRUE(appears(folder / "first"));
    EXPECT_TRUE(appears(folder / "second"));

    // The window style has no meaning here; a minimised start runs the same way.
    EXPECT_TRUE(os.StartCommandLine("\"/usr/bin/touch\" \"" + folder / "with space" + "\"", 2));
    expectNoChildLeft();
    EXPECT_TRUE(appears(folder / "with space"));
}

TEST(LinuxProgramStart, ShellSyntaxReachesTheProgramAsPlainText) {
    TempFolder folder;
    std::ofstream(folder / "existing").put('x');
    LinuxOsLayer os;
    const std::string line = "touch \"" + folder / "a;b" + "\" " + folder / "$HOME" + " " +
                             folder / "*" + " " + folder / ">out" + " " + folder / "x|y";
    ASSERT_TRUE(os.StartCommandLine(line, 1));
    for (const char* name : {"a;b", "$HOME", "*", ">out", "x|y"})
        EXPECT_TRUE(appears(folder / name)) << name;
    EXPECT_FALSE(fs::exists(folder / "a"));
    EXPECT_FALSE(fs::exists(folder / "out"));
}

TEST(LinuxProgramStart, WhatCannotStartIsReportedAsAFailure) {
    TempFolder folder;
    const std::string plainFile = folder / "not-a-program";
    std::ofstream(plainFile) << "#!/bin/sh\ntouch " << folder / "ran"
                             << "\n";
    fs::permissions(plainFile, fs::perms::owner_read | fs::perms::owner_write);
    LinuxOsLayer os;

    EXPECT_FALSE(os.StartCommandLine("korvanta-no-such-program-x7", 1));
    EXPECT_FALSE(os.StartCommandLine(folder / "missing", 1));
    EXPECT_FALSE(os.StartCommandLine(plainFile, 1));
    EXPECT_FALSE(os.StartCommandLine(folder.path(), 1));
    EXPECT_FALSE(os.StartCommandLine("", 1));
    EXPECT_FALSE(os.StartCommandLine("   \t", 2));
    EXPECT_FALSE(os.StartCommandLine("\"\" " + folder / "ran", 1));
    // A NUL would cut the line short where the system reads it.
    EXPECT_FALSE(os.StartCommandLine(std::string("touch ") + folder / "ran" + '\0' + "x", 1));
    expectNoChildLeft();
    EXPECT_FALSE(fs::exists(folder / "ran"));
}

TEST(LinuxProgramStart, AScriptWithItsInterpreterLineStarts) {
    TempFolder folder;
    const std::string script = folder / "script";
    std::ofstream(script) << "#!/bin/sh\ntouch \"$1\"\n";
    fs::permissions(script, fs::perms::owner_all);
    LinuxOsLayer os;
    EXPECT_TRUE(os.StartCommandLine(script + " " + folder / "done", 1));
    EXPECT_TRUE(appears(folder / "done"));
}
