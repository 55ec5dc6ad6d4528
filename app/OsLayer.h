#pragma once

#include "basDeclares.h"

// Each system provides an OsLayer and basDeclares::WidenExeFile (app/linux/, app/windows/);
// tests put a scripted layer in place. Calls come in this order: CreateToolhelp32Snapshot,
// Process32First, Process32Next until it gives 0, CloseHandle; OpenProcess (GetLastError when
// it gives 0), GetProcessTimes or TerminateProcess, CloseHandle. A function that cannot be bound
// raises a RuntimeError.
class OsLayer {
public:
    using HANDLE = basDeclares::HANDLE;
    using HWND = basDeclares::HWND;
    using HINSTANCE = basDeclares::HINSTANCE;

    virtual ~OsLayer() = default;

    // With TH32CS_SNAPPROCESS, the process table as it is now: a handle that is neither 0
    // nor INVALID_HANDLE_VALUE; INVALID_HANDLE_VALUE when the table cannot be read.
    virtual HANDLE CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t th32ProcessID) = 0;
    // The snapshot's first record: 1, or 0 when it has none. Every field is written but
    // dwSize and the name buffer's bytes after the name's NUL, which keep what they held.
    // A record whose dwSize is not 296, or a handle that is no open snapshot, gives 0 and
    // leaves the record as it was.
    virtual std::int32_t Process32First(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) = 0;
    // The snapshot's next record, as Process32First does; 0 after the last.
    virtual std::int32_t Process32Next(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) = 0;
    // Closes a snapshot or process handle: 1; 0 for a handle that is not open.
    virtual std::int32_t CloseHandle(HANDLE hObject) = 0;
    // The process with this id: a handle that names it, never a later process given its id,
    // until it is closed. 0 for id 0 and an id that no process has (GetLastError then gives
    // ERROR_INVALID_PARAMETER), and for a process that may not be opened for the access
    // asked (PROCESS_TERMINATE: one this user may not end; ERROR_ACCESS_DENIED).
    virtual HANDLE OpenProcess(std::int32_t dwDesiredAccess, std::int32_t bInheritHandle,
                               std::int32_t dwProcessId) = 0;
    // Ends the handle's process at once: nonzero; 0 for a handle that is no open process
    // handle. The program's own process ends through EndProgram(uExitCode) (ProgramEnd.h).
    virtual std::int32_t TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) = 0;
    // The handle's process was created at lpCreationTime, on GetSystemTimeAsFileTime's
    // clock; the other times are 0 where the system keeps none. Nonzero; 0, with nothing
    // written, for a handle that is no open process handle, or once the system has
    // forgotten the process (Linux: when it has been reaped).
    virtual std::int32_t GetProcessTimes(HANDLE hProcess, basDeclares::FILETIME& lpCreationTime,
                                         basDeclares::FILETIME& lpExitTime,
                                         basDeclares::FILETIME& lpKernelTime,
                                         basDeclares::FILETIME& lpUserTime) = 0;
    // Now, as a time of day in 100 ns units. A process created after a moment it gave never
    // shows an earlier creation time (on Windows, unless the clock is set back between).
    virtual void GetSystemTimeAsFileTime(basDeclares::FILETIME& lpSystemTimeAsFileTime) = 0;
    // Why the call just made failed, as Windows numbers the reasons (after OpenProcess: see
    // there). Any later call may change it.
    virtual std::int32_t GetLastError() = 0;
    // Hands lpFile to the desktop's program for lpOperation ("open") without waiting:
    // above 32 when it was handed on, 32 or less when not.
    virtual HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile,
                                    const char* lpParameters, const char* lpDirectory,
                                    std::int32_t nShowCmd) = 0;
    // Starts a command line with a window style (SW_SHOWNORMAL, SW_SHOWMINIMIZED) without
    // waiting: true when started. An empty line and one holding a NUL start nothing.
    virtual bool StartCommandLine(const std::string& commandLine, std::int32_t windowStyle) = 0;

    static OsLayer& current();
    // Puts layer in place of the current one (nullptr: back to the native layer) and
    // returns the one it replaced.
    static OsLayer* install(OsLayer* layer);

    // The platform's own layer, one per program.
    static OsLayer& native();
};
