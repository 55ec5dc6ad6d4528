#pragma once

#include "basDeclares.h"

// The operating system as the program sees it. The native layer of the platform is the
// default; tests install a scripted one in its place for as long as they need it.
class OsLayer {
public:
    using HANDLE = basDeclares::HANDLE;
    using HWND = basDeclares::HWND;
    using HINSTANCE = basDeclares::HINSTANCE;

    virtual ~OsLayer() = default;

    virtual HANDLE CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t th32ProcessID) = 0;
    virtual std::int32_t Process32First(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) = 0;
    virtual std::int32_t Process32Next(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) = 0;
    virtual std::int32_t CloseHandle(HANDLE hObject) = 0;
    virtual HANDLE OpenProcess(std::int32_t dwDesiredAccess, std::int32_t bInheritHandle,
                               std::int32_t dwProcessId) = 0;
    virtual std::int32_t TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) = 0;
    virtual std::int32_t GetProcessTimes(HANDLE hProcess, basDeclares::FILETIME& lpCreationTime,
                                         basDeclares::FILETIME& lpExitTime,
                                         basDeclares::FILETIME& lpKernelTime,
                                         basDeclares::FILETIME& lpUserTime) = 0;
    virtual void GetSystemTimeAsFileTime(basDeclares::FILETIME& lpSystemTimeAsFileTime) = 0;
    virtual HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile,
                                    const char* lpParameters, const char* lpDirectory,
                                    std::int32_t nShowCmd) = 0;
    virtual bool StartCommandLine(const std::string& commandLine, std::int32_t windowStyle) = 0;

    static OsLayer& current();
    // Puts layer in place of the current one (nullptr: back to the native layer) and
    // returns the one it replaced.
    static OsLayer* install(OsLayer* layer);

    // The platform's own layer, one per program.
    static OsLayer& native();
};
