#include "WindowsChildProcess.h"
#include "WindowsProbe.h"

#include "app/OsLayer.h"
#include "app/ProgramEnd.h"
#include "app/RuntimeError.h"
#include "app/windows/WindowsOsLayer.h"
#include "process/ProcessIdentity.h"
#include "process/clsActiveProcess.h"
#include "tests/InstalledLayer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

using namespace basDeclares;

namespace {

// Passes every call on to another layer and keeps the handles it gave out and the ones
// it closed. The system reuses handle values, so only a handle asked about before any
// other is opened can be told closed by the system itself.
class RecordingLayer : public OsLayer {
public:
    explicit RecordingLayer(OsLayer& target) : target_(target) {}

    std::vector<HANDLE> opened;
    std::vector<HANDLE> closed;

    HANDLE CreateToolhelp32Snapshot(std::int32_t flags, std::int32_t pid) override {
        return keep(target_.CreateToolhelp32Snapshot(flags, pid));
    }
    std::int32_t Process32First(HANDLE snapshot, PROCESSENTRY32& entry) override {
        return target_.Process32First(snapshot, entry);
    }
    std::int32_t Process32Next(HANDLE snapshot, PROCESSENTRY32& entry) override {
        return target_.Process32Next(snapshot, entry);
    }
    std::int32_t CloseHandle(HANDLE object) override {
        const std::int32_t result = target_.CloseHandle(object);
        if (result != 0)
            closed.push_back(object);
        return result;
    }
    HANDLE OpenProcess(std::int32_t access, std::int32_t inherit, std::int32_t pid) override {
        return keep(target_.OpenProcess(access, inherit, pid));
    }
    std::int32_t TerminateProcess(HANDLE process, std::int32_t code) override {
        return target_.TerminateProcess(process, code);
    }
    std::int32_t GetProcessTimes(HANDLE process, FILETIME& creation, FILETIME& exit,
                                 FILETIME& kernel, FILETIME& user) override {
        return target_.GetProcessTimes(process, creation, exit, kernel, user);
    }
    void GetSystemTimeAsFileTime(FILETIME& now) override { target_.GetSystemTimeAsFileTime(now); }
    std::int32_t GetLastError() override { return target_.GetLastError(); }
    HINSTANCE ShellExecuteA(HWND hwnd, const char* operation, const char* file,
                            const char* parameters, const char* directory,
                            std::int32_t show) override {
        return target_.ShellExecuteA(hwnd, operation, file, parameters, directory, show);
    }
    bool StartCommandLine(const std::string& line, std::int32_t style) override {
        return target_.StartCommandLine(line, style);
    }

private:
    HANDLE keep(HANDLE handle) {
        opened.push_back(handle);
        return handle;
    }

    OsLayer& target_;
    InstalledLayer installed_{*this};
};

std::u16string widen(const std::string& text) {
    return std::u16string(text.begin(), text.end());
}

// The stored name up to its first NUL.
std::u16string bareName(const clsActiveProcess& processes, std::int32_t index) {
    const std::u16string name(processes.szExeFile(index));
    return name.substr(0, name.find(u'\0'));
}

std::uint64_t systemTime() {
    FILETIME now{};
    GetSystemTimeAsFileTime(now);
    return FileTimeValue(now);
}

std::uint64_t creationTime(std::int32_t pid) {
    const HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, 0, pid);
    FILETIME creation{}, exit{}, kernel{}, user{};
    const bool read = process != 0 && GetProcessTimes(process, creation, exit, kernel, user) != 0;
    if (process != 0)
        CloseHandle(process);
    return read ? FileTimeValue(creation) : 0;
}

std::int32_t indexOf(const clsActiveProcess& processes, std::int32_t count, std::int32_t pid) {
    for (std::int32_t index = 1; index <= count; ++index)
        if (processes.th32ProcessID(index) == pid)
            return index;
    return 0;
}

} // namespace

TEST(WindowsSnapshot, FindsItselfAndAStartedChildWithTheirNamesAndThreads) {
    WindowsChildProcess child(3, "korvanta_snapshot_child.exe");
    ASSERT_TRUE(child.started());
    WindowsOsLayer windows;
    RecordingLayer recording(windows);

    clsActiveProcess processes;
    const int threadsBefore = WindowsProbe::threadCount(WindowsProbe::currentProcessId());
    const std::int32_t count = processes.GetActiveProcess();
    const bool snapshotOpen =
        !recording.opened.empty() && WindowsProbe::handleIsOpen(recording.opened[0]);
    const int threadsAfter = WindowsProbe::threadCount(WindowsProbe::currentProcessId());
    ASSERT_GT(count, 2);

    for (std::int32_t index = 1; index <= count; ++index)
        EXPECT_EQ(processes.dwSize(index), 296) << "record " << index;
    EXPECT_EQ(processes.dwSize(0), 0);
    EXPECT_EQ(processes.th32ProcessID(0), 0);

    const std::int32_t self = indexOf(processes, count, WindowsProbe::currentProcessId());
    ASSERT_NE(self, 0) << "the test's own process is not in the snapshot";
    EXPECT_EQ(bareName(processes, self),
              widen(WindowsProbe::fileNameOf(WindowsProbe::executablePath())));
    EXPECT_GE(processes.cntThreads(self), std::min(threadsBefore, threadsAfter));
    EXPECT_LE(processes.cntThreads(self), std::max(threadsBefore, threadsAfter));

    const std::int32_t found = indexOf(processes, count, child.pid());
    ASSERT_NE(found, 0) << "the child is not in the snapshot";
    EXPECT_EQ(bareName(processes, found), u"korvanta_snapshot_child.exe");
    EXPECT_EQ(processes.cntThreads(found), 3);
    EXPECT_EQ(processes.th32ParentProcessID(found), WindowsProbe::currentProcessId());

    ASSERT_EQ(recording.opened.size(), 1u);
    EXPECT_NE(recording.opened[0], INVALID_HANDLE_VALUE);
    EXPECT_EQ(recording.closed, recording.opened);
    EXPECT_FALSE(snapshotOpen) << "snapshot left open";
}

TEST(WindowsSnapshot, RecordKeepsItsSizeAndWhatTheSystemDidNotWrite) {
    WindowsOsLayer windows;
    const HANDLE snapshot = windows.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    ASSERT_NE(snapshot, INVALID_HANDLE_VALUE);

    PROCESSENTRY32 entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = 304; // the 64-bit system's own size is not the program's
    EXPECT_EQ(windows.Process32First(snapshot, entry), 0);

    entry.dwSize = 296;
    std::memset(entry.szExeFile, 'x', sizeof entry.szExeFile - 1);
    ASSERT_NE(windows.Process32First(snapshot, entry), 0);
    EXPECT_EQ(entry.dwSize, 296);
    const std::size_t length = std::strlen(entry.szExeFile);
    ASSERT_LT(length + 2, sizeof entry.szExeFile);
    EXPECT_EQ(entry.szExeFile[length + 1], 'x') << "the tail of the name buffer was lost";
    EXPECT_EQ(entry.szExeFile[sizeof entry.szExeFile - 2], 'x');

    int delivered = 1;
    while (windows.Process32Next(snapshot, entry) != 0) {
        EXPECT_EQ(entry.dwSize, 296);
        ++delivered;
    }
    EXPECT_GT(delivered, 1);
    EXPECT_NE(windows.CloseHandle(snapshot), 0);
}

TEST(WindowsCodePage, WidensTheWholeNameBuffer) {
    char ansi[MAX_PATH];
    std::memset(ansi, 0, sizeof ansi);
    std::strcpy(ansi, "notepad.exe");
    std::memcpy(ansi + 12, "old", 3); // left over from an earlier, longer name
    char16_t wide[MAX_PATH];
    std::memset(wide, 0xFF, sizeof wide);

    WidenExeFile(ansi, wide);
    EXPECT_EQ(std::u16string(wide, 16), std::u16string(u"notepad.exe\0old\0", 16));
    for (int k = 16; k < MAX_PATH; ++k)
        ASSERT_EQ(wide[k], u'\0') << "unit " << k;

    if (WindowsProbe::ansiCodePage() == 1252) {
        std::strcpy(ansi, "caf\xE9.exe");
        WidenExeFile(ansi, wide);
        EXPECT_EQ(std::u16string(wide, 8), u"caf\u00E9.exe");
    }
}

TEST(WindowsTermination, OpenAndTerminateEndAChildAndTheHandleIsClosed) {
    WindowsChildProcess child(1, "korvanta_kill_child.exe");
    ASSERT_TRUE(child.started());

    const HANDLE process = OpenProcess(PROCESS_ALL_ACCESS, 0, child.pid());
    ASSERT_NE(process, 0);
    EXPECT_NE(TerminateProcess(process, 0), 0);
    EXPECT_NE(CloseHandle(process), 0);
    EXPECT_FALSE(WindowsProbe::handleIsOpen(process));

    std::uint32_t exitCode = 99;
    ASSERT_TRUE(child.waitForEnd(WindowsProbe::kTimeoutMs, exitCode)) << "the child still runs";
    EXPECT_EQ(exitCode, 0u);
}

TEST(WindowsTermination, GetProcessTimesGivesTheCreationInTheClockOfTheSystemTime) {
    const std::uint64_t before = systemTime();
    WindowsChildProcess child(1, "korvanta_times_child.exe");
    ASSERT_TRUE(child.started());
    const std::uint64_t after = systemTime();
    const std::uint64_t created = creationTime(child.pid());
    EXPECT_GE(created, before);
    EXPECT_LE(created, after);
    EXPECT_EQ(creationTime(0), 0u) << "process 0 gives no handle";
}

// A row's id that now names a process created after its snapshot is what a reused id
// looks like: that process is not ended.
TEST(WindowsTermination, AProcessCreatedAfterTheRowsSnapshotIsNotEnded) {
    WindowsOsLayer windows;
    RecordingLayer recording(windows);
    const std::uint64_t snapshot = systemTime();
    WindowsChildProcess child(1, "korvanta_newer_child.exe");
    ASSERT_TRUE(child.started());
    const ProcessIdentity row{child.pid(), snapshot};
    EXPECT_FALSE(row.Open(PROCESS_ALL_ACCESS));
    std::uint32_t exitCode = 99;
    EXPECT_FALSE(child.waitForEnd(0, exitCode)) << "the newer process was ended";

    // A snapshot taken once the clock has passed its creation names it.
    const std::uint64_t created = creationTime(child.pid());
    std::uint64_t later = systemTime();
    while (later <= created && later < created + 100'000'000)
        later = systemTime();
    if (const UniqueHandle process = ProcessIdentity{child.pid(), later}.Open(PROCESS_ALL_ACCESS))
        TerminateProcess(process.get(), 0);
    ASSERT_TRUE(child.waitForEnd(WindowsProbe::kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(recording.closed, recording.opened);
}

TEST(WindowsTermination, ProcessZeroGivesNoHandleAndNothingEnds) {
    EXPECT_EQ(OpenProcess(PROCESS_ALL_ACCESS, 0, 0), 0);
    EXPECT_EQ(TerminateProcess(0, 0), 0);
}

TEST(WindowsTermination, EndingItsOwnProcessEndsTheProgramItself) {
    std::vector<int> endings;
    setEndProgramHook([&](int code) { endings.push_back(code); });

    const HANDLE self = OpenProcess(PROCESS_ALL_ACCESS, 0, WindowsProbe::currentProcessId());
    ASSERT_NE(self, 0);
    TerminateProcess(self, 0);
    EXPECT_NE(CloseHandle(self), 0);
    EXPECT_EQ(endings, std::vector<int>{0});
}

TEST(WindowsBinding, MissingEntryPointFailsAtItsFirstCall) {
    WindowsOsLayer::Declarations declarations = WindowsOsLayer::programDeclarations();
    declarations[WindowsOsLayer::Process32FirstFunction].entryPoint = "Process32FirstMissing";
    WindowsOsLayer broken(declarations); // nothing is looked up in advance
    RecordingLayer recording(broken);

    clsActiveProcess processes;
    try {
        processes.GetActiveProcess();
        ADD_FAILURE() << "the snapshot did not fail";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 453);
        EXPECT_STREQ(error.what(), "Can't find DLL entry point Process32FirstMissing in kernel32");
    }
    EXPECT_EQ(recording.opened.size(), 1u);
    EXPECT_EQ(recording.closed, recording.opened) << "snapshot left open";

    // Not found is not remembered: the next call looks again, and fails again.
    PROCESSENTRY32 entry{};
    entry.dwSize = 296;
    EXPECT_THROW(broken.Process32First(0, entry), RuntimeError);
    EXPECT_EQ(broken.OpenProcess(PROCESS_ALL_ACCESS, 0, 0), 0);
}

TEST(WindowsBinding, AMissingGetProcessTimesFailsTheCheckWithTheProcessClosedAndNothingEnded) {
    WindowsChildProcess child(1, "korvanta_unchecked_child.exe");
    ASSERT_TRUE(child.started());
    WindowsOsLayer::Declarations declarations = WindowsOsLayer::programDeclarations();
    declarations[WindowsOsLayer::GetProcessTimesFunction].entryPoint = "GetProcessTimesMissing";
    WindowsOsLayer broken(declarations);
    RecordingLayer recording(broken);

    try {
        ProcessIdentity{child.pid(), systemTime()}.Open(PROCESS_ALL_ACCESS);
        ADD_FAILURE() << "the check did not fail";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 453);
        EXPECT_STREQ(error.what(), "Can't find DLL entry point GetProcessTimesMissing in kernel32");
    }
    ASSERT_EQ(recording.opened.size(), 1u);
    EXPECT_EQ(recording.closed, recording.opened) << "process handle left open";
    std::uint32_t exitCode = 99;
    EXPECT_FALSE(child.waitForEnd(0, exitCode));
}

TEST(WindowsBinding, MissingLibraryFailsAtItsFirstCall) {
    WindowsOsLayer::Declarations declarations = WindowsOsLayer::programDeclarations();
    declarations[WindowsOsLayer::ShellExecuteAFunction].library = "korvanta_missing.dll";
    WindowsOsLayer broken(declarations);

    try {
        broken.ShellExecuteA(0, "open", "korvanta_missing.txt", nullptr, "C:\\", SW_SHOWNORMAL);
        ADD_FAILURE() << "the call did not fail";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.number(), 53);
        EXPECT_STREQ(error.what(), "File not found: korvanta_missing.dll");
    }
    const HANDLE snapshot = broken.CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    EXPECT_NE(snapshot, INVALID_HANDLE_VALUE);
    EXPECT_NE(broken.CloseHandle(snapshot), 0);
}

class WindowsStart : public testing::Test {
protected:
    void TearDown() override { WindowsProbe::removeFolder(folder); }

    // Starts windows_target found by its bare name, as the system finds it, and gives
    // back what it saw: "<uses window style> <window style>" and its arguments.
    std::string startReporting(const std::string& arguments, std::int32_t style) {
        const std::string file = folder + "\\report-" + std::to_string(++reports) + ".txt";
        if (!StartCommandLine("windows_target --report \"" + file + "\" " + arguments, style))
            return "not started";
        return WindowsProbe::waitForFile(file);
    }

    std::string folder = WindowsProbe::newFolder();
    int reports = 0;
};

TEST_F(WindowsStart, StartsACommandLineWithItsWindowStyleAndArguments) {
    EXPECT_EQ(startReporting("add new hardware", SW_SHOWMINIMIZED), "1 2\nadd\nnew\nhardware\n");
    EXPECT_EQ(startReporting("sounds", SW_SHOWNORMAL), "1 1\nsounds\n");
}

TEST_F(WindowsStart, FindsAProgramOfTheSystemByItsBareName) {
    ASSERT_TRUE(StartCommandLine("cmd /c exit 0", SW_SHOWNORMAL));
    EXPECT_TRUE(WindowsProbe::waitForNoChild("cmd.exe")) << "cmd did not end";
}

TEST_F(WindowsStart, FailsForWhatCannotBeStarted) {
    const std::string notAProgram = folder + "\\notes.txt";
    WindowsProbe::writeFile(notAProgram, "not a program\r\n");

    EXPECT_FALSE(StartCommandLine("", SW_SHOWNORMAL));
    EXPECT_FALSE(StartCommandLine("korvanta_no_such_program", SW_SHOWNORMAL));
    EXPECT_FALSE(StartCommandLine("mouse properties", SW_SHOWNORMAL));
    EXPECT_FALSE(StartCommandLine(notAProgram, SW_SHOWNORMAL));
    // Cut at the NUL the line would start another program than the one asked for.
    EXPECT_FALSE(StartCommandLine(std::string("windows_target\0 --report x", 26), SW_SHOWNORMAL));
}

TEST_F(WindowsStart, ShellExecuteOpensAProgramAsShutdownPassesIt) {
    const std::string program = folder + "\\korvanta_shell_child.exe";
    ASSERT_TRUE(
        WindowsProbe::copyFile(WindowsProbe::testFolder() + "\\windows_target.exe", program));

    const HINSTANCE result =
        ShellExecuteA(0, "open", program.c_str(), nullptr, "C:\\", SW_SHOWNORMAL);
    EXPECT_GT(result, 32);
    const std::int32_t pid = WindowsProbe::waitForChild("korvanta_shell_child.exe");
    ASSERT_NE(pid, 0) << "nothing was started";
    EXPECT_TRUE(WindowsProbe::endProcess(pid));

    const std::string missing = folder + "\\korvanta_missing.exe";
    EXPECT_LE(ShellExecuteA(0, "open", missing.c_str(), nullptr, "C:\\", SW_SHOWNORMAL), 32);
}
