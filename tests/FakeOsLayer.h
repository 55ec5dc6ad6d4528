#pragma once

#include "InstalledLayer.h"
#include "app/OsLayer.h"

#include <map>
#include <string>
#include <vector>

// A scripted operating system: the process table is whatever the test says, and every
// call is counted. Installed for the life of the object. Within its script it answers as
// the systems' layers do (OsLayerConformance.h holds it to that).
class FakeOsLayer : public OsLayer {
public:
    struct Process {
        std::int32_t pid;
        std::string name;
        std::int32_t threads = 1;
        std::int32_t usage = 0;
        std::uint64_t created = 0; // as GetProcessTimes gives it
        bool mayEnd = true;        // false: the system denies PROCESS_TERMINATE, as for
                                   // another user's process
    };

    FakeOsLayer() = default;
    FakeOsLayer(const FakeOsLayer&) = delete;
    FakeOsLayer& operator=(const FakeOsLayer&) = delete;

    std::vector<Process> processes;
    bool snapshotFails = false;
    std::uint64_t now = 1000;       // what GetSystemTimeAsFileTime gives
    bool processTimesRaise = false; // GetProcessTimes raises RuntimeError 453
    HANDLE failureValue = basDeclares::INVALID_HANDLE_VALUE;

    // n processes with ids 100, 101, ... and names "proc100", ...
    void setProcessCount(int n);

    int snapshotsTaken = 0;
    int openHandles() const { return static_cast<int>(open_.size()); }

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

    // What the program asked of the system besides the snapshot.
    std::vector<std::int32_t> opened;     // ids given to OpenProcess
    std::vector<std::int32_t> terminated; // ids whose handle TerminateProcess got
    struct Start {
        std::string commandLine;
        std::int32_t windowStyle;
    };
    std::vector<Start> started;
    bool startSucceeds = true; // false: no command line starts
    struct Shell {
        HWND hwnd;
        std::string operation, file, directory;
        bool parametersNull;
        std::int32_t showCmd;
    };
    std::vector<Shell> shellCalls;

private:
    const Process* running(std::int32_t pid) const;
    std::int32_t deliver(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe, bool first);

    struct Object {
        std::vector<Process> table; // a snapshot's processes
        std::size_t next = 0;
        std::int32_t pid = 0; // a process handle's process
        bool isProcess = false;
    };
    std::map<HANDLE, Object> open_;
    HANDLE nextHandle_ = 100;
    std::int32_t lastError_ = 0;
    InstalledLayer installed_{*this};
};
