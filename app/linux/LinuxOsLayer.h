#pragma once

#include "LinuxNameCache.h"
#include "LinuxProcFolder.h"
#include "LinuxStatFiles.h"
#include "LinuxUniqueFd.h"
#include "app/OsLayer.h"

#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

class LinuxChildReaper;

// The operating system as Linux offers it: the process table from /proc, each process's
// stat file kept open from one snapshot to the next (LinuxStatFiles), and the folder
// listed again only when a process may have been started since; a process handle
// that is the process's folder in that same /proc, through which its times are read and
// the signal that ends it is sent; programs started without a shell; the browser through
// the desktop's opener. A layer made where orphans are handed to the program (process 1
// of its pid namespace, or a child subreaper) reaps them (LinuxChildReaper).
class LinuxOsLayer : public OsLayer {
public:
    explicit LinuxOsLayer(std::string procRoot = "/proc");
    ~LinuxOsLayer() override;
    LinuxOsLayer(const LinuxOsLayer&) = delete;
    LinuxOsLayer& operator=(const LinuxOsLayer&) = delete;

    HANDLE CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t th32ProcessID) override;
    std::int32_t Process32First(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) override;
    std::int32_t Process32Next(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) override;
    std::int32_t CloseHandle(HANDLE hObject) override;
    HANDLE OpenProcess(std::int32_t dwDesiredAccess, std::int32_t bInheritHandle,
                       std::int32_t dwProcessId) override;
    std::int32_t TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) override;
    std::int32_t GetProcessTimes(HANDLE hProcess, basDeclares::FILETIME& lpCreationTime,
                                 basDeclares::FILETIME& lpExitTime,
                                 basDeclares::FILETIME& lpKernelTime,
                                 basDeclares::FILETIME& lpUserTime) override;
    void GetSystemTimeAsFileTime(basDeclares::FILETIME& lpSystemTimeAsFileTime) override;
    std::int32_t GetLastError() override { return lastError_; }
    HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile,
                            const char* lpParameters, const char* lpDirectory,
                            std::int32_t nShowCmd) override;
    bool StartCommandLine(const std::string& commandLine, std::int32_t windowStyle) override;

    // Windows' base priority for a nice value and scheduling policy.
    static std::int32_t basePriority(std::int64_t nice, std::int64_t policy);

private:
    struct Entry {
        std::int32_t pid;
        std::int32_t ppid;
        std::int32_t threads;
        std::int32_t priority;
        std::uint32_t nameAt; // in Snapshot::names
        std::uint16_t nameLength;
    };
    struct Snapshot {
        std::vector<Entry> entries;
        std::string names; // one after the other, most of them a few bytes long
        std::size_t next = 0;
    };
    struct ProcessHandle {
        std::int32_t pid = 0;
        LinuxUniqueFd folder;  // its folder in /proc, which names this process and no other
        bool self = false;     // the program's own process
        bool idIsOurs = false; // this /proc numbers processes as our pid namespace does
    };
    struct Object {
        std::unique_ptr<Snapshot> snapshot;
        std::unique_ptr<ProcessHandle> process;
    };

    // The last process id this /proc's pid namespace handed out, where that namespace is
    // the program's own; nothing elsewhere.
    std::optional<std::int64_t> readLastIdHandedOut();
    bool procIsOurNamespace();
    bool readProcessTable(Snapshot& snapshot);
    void readStatFiles(Snapshot& snapshot);
    bool readEntry(std::int32_t pid, std::string_view line, Snapshot& snapshot);
    bool readLayoutRandomized();
    std::int32_t deliver(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe, bool first);
    HANDLE addObject(Object object);
    ProcessHandle* processHandle(HANDLE hProcess);
    HANDLE refuseOpening(int error);

    LinuxProcFolder proc_;
    HANDLE nextHandle_ = 4;
    std::unordered_map<HANDLE, Object> handles_;
    std::unique_ptr<Snapshot> spare_; // keeps its room from one snapshot to the next
    LinuxStatFiles stats_;
    std::vector<std::int32_t> toRead_;        // this snapshot's ids, as listed
    std::vector<std::int32_t> listed_;        // the last snapshot's ids, in its order
    std::optional<std::int64_t> listedAfter_; // read just before the folder was listed
    std::optional<bool> ourNamespace_;        // whether proc_ is of the program's namespace
    LinuxNameCache names_;
    bool layoutRandomized_ = false; // read at every walk: only then may names_ be used
    std::unique_ptr<LinuxChildReaper> reaper_;
    std::int32_t lastError_ = 0;
};
