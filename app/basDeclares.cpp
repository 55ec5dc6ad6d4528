#include "basDeclares.h"

#include "OsLayer.h"

namespace {
OsLayer* installedLayer = nullptr;
}

OsLayer& OsLayer::current() {
    return installedLayer ? *installedLayer : native();
}

OsLayer* OsLayer::install(OsLayer* layer) {
    OsLayer* previous = installedLayer;
    installedLayer = layer;
    return previous;
}

namespace basDeclares {

HANDLE CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t th32ProcessID) {
    return OsLayer::current().CreateToolhelp32Snapshot(dwFlags, th32ProcessID);
}

std::int32_t Process32First(HANDLE hSnapshot, PROCESSENTRY32& lppe) {
    return OsLayer::current().Process32First(hSnapshot, lppe);
}

std::int32_t Process32Next(HANDLE hSnapshot, PROCESSENTRY32& lppe) {
    return OsLayer::current().Process32Next(hSnapshot, lppe);
}

std::int32_t CloseHandle(HANDLE hObject) {
    return OsLayer::current().CloseHandle(hObject);
}

HANDLE OpenProcess(std::int32_t dwDesiredAccess, std::int32_t bInheritHandle,
                   std::int32_t dwProcessId) {
    return OsLayer::current().OpenProcess(dwDesiredAccess, bInheritHandle, dwProcessId);
}

std::int32_t TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) {
    return OsLayer::current().TerminateProcess(hProcess, uExitCode);
}

std::int32_t GetProcessTimes(HANDLE hProcess, FILETIME& lpCreationTime, FILETIME& lpExitTime,
                             FILETIME& lpKernelTime, FILETIME& lpUserTime) {
    return OsLayer::current().GetProcessTimes(hProcess, lpCreationTime, lpExitTime, lpKernelTime,
                                              lpUserTime);
}

void GetSystemTimeAsFileTime(FILETIME& lpSystemTimeAsFileTime) {
    OsLayer::current().GetSystemTimeAsFileTime(lpSystemTimeAsFileTime);
}

std::int32_t GetLastError() {
    return OsLayer::current().GetLastError();
}

HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile,
                        const char* lpParameters, const char* lpDirectory, std::int32_t nShowCmd) {
    return OsLayer::current().ShellExecuteA(hwnd, lpOperation, lpFile, lpParameters, lpDirectory,
                                            nShowCmd);
}

bool StartCommandLine(const std::string& commandLine, std::int32_t windowStyle) {
    return OsLayer::current().StartCommandLine(commandLine, windowStyle);
}

} // namespace basDeclares
