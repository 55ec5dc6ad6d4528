#pragma once

// What the program calls of the operating system, under the Windows names. Each call goes
// to the current OsLayer, whose header says what every system gives for it.

#include <cstddef>
#include <cstdint>
#include <string>

namespace basDeclares {

using HANDLE = std::intptr_t;
using HWND = std::intptr_t;
using HINSTANCE = std::intptr_t;

inline constexpr std::int32_t TH32CS_SNAPPROCESS = 2;
inline constexpr HANDLE INVALID_HANDLE_VALUE = -1;
inline constexpr std::int32_t PROCESS_ALL_ACCESS = 0x1F0FFF;
inline constexpr std::int32_t PROCESS_TERMINATE = 0x0001;
inline constexpr std::int32_t PROCESS_QUERY_LIMITED_INFORMATION = 0x1000;
inline constexpr std::int32_t SW_SHOWNORMAL = 1;
inline constexpr std::int32_t SW_SHOWMINIMIZED = 2;
inline constexpr int MAX_PATH = 260;
inline constexpr std::int32_t ERROR_ACCESS_DENIED = 5;
inline constexpr std::int32_t ERROR_INVALID_PARAMETER = 87;

// The 8-bit-character process record of 32-bit Windows, 296 bytes.
struct PROCESSENTRY32 {
    std::int32_t dwSize;
    std::int32_t cntUsage;
    std::int32_t th32ProcessID;
    std::int32_t th32DefaultHeapID;
    std::int32_t th32ModuleID;
    std::int32_t cntThreads;
    std::int32_t th32ParentProcessID;
    std::int32_t pcPriClassBase;
    std::int32_t dwFlags;
    char szExeFile[MAX_PATH];
};

static_assert(sizeof(PROCESSENTRY32) == 296);
static_assert(offsetof(PROCESSENTRY32, dwSize) == 0);
static_assert(offsetof(PROCESSENTRY32, cntUsage) == 4);
static_assert(offsetof(PROCESSENTRY32, th32ProcessID) == 8);
static_assert(offsetof(PROCESSENTRY32, th32DefaultHeapID) == 12);
static_assert(offsetof(PROCESSENTRY32, th32ModuleID) == 16);
static_assert(offsetof(PROCESSENTRY32, cntThreads) == 20);
static_assert(offsetof(PROCESSENTRY32, th32ParentProcessID) == 24);
static_assert(offsetof(PROCESSENTRY32, pcPriClassBase) == 28);
static_assert(offsetof(PROCESSENTRY32, dwFlags) == 32);
static_assert(offsetof(PROCESSENTRY32, szExeFile) == 36);

// A moment or a length of time in 100-nanosecond units, in two 32-bit halves.
struct FILETIME {
    std::uint32_t dwLowDateTime;
    std::uint32_t dwHighDateTime;
};

static_assert(sizeof(FILETIME) == 8);

constexpr std::uint64_t FileTimeValue(const FILETIME& time) {
    return static_cast<std::uint64_t>(time.dwHighDateTime) << 32 | time.dwLowDateTime;
}

constexpr FILETIME ToFileTime(std::uint64_t value) {
    return {static_cast<std::uint32_t>(value), static_cast<std::uint32_t>(value >> 32)};
}

HANDLE CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t th32ProcessID);
std::int32_t Process32First(HANDLE hSnapshot, PROCESSENTRY32& lppe);
std::int32_t Process32Next(HANDLE hSnapshot, PROCESSENTRY32& lppe);
std::int32_t CloseHandle(HANDLE hObject);
HANDLE OpenProcess(std::int32_t dwDesiredAccess, std::int32_t bInheritHandle,
                   std::int32_t dwProcessId);
std::int32_t TerminateProcess(HANDLE hProcess, std::int32_t uExitCode);
std::int32_t GetProcessTimes(HANDLE hProcess, FILETIME& lpCreationTime, FILETIME& lpExitTime,
                             FILETIME& lpKernelTime, FILETIME& lpUserTime);
void GetSystemTimeAsFileTime(FILETIME& lpSystemTimeAsFileTime);
std::int32_t GetLastError();
HINSTANCE ShellExecuteA(HWND hwnd, const char* lpOperation, const char* lpFile,
                        const char* lpParameters, const char* lpDirectory, std::int32_t nShowCmd);

// Starts a command line with a window style (SW_SHOWNORMAL, SW_SHOWMINIMIZED) and does
// not wait for it. Returns false when nothing could be started.
bool StartCommandLine(const std::string& commandLine, std::int32_t windowStyle);

// The system's 8-bit code page, widened to UTF-16 and narrowed back, one whole
// 260-byte name buffer at a time: the output always has exactly 260 units.
void WidenExeFile(const char (&ansi)[MAX_PATH], char16_t (&wide)[MAX_PATH]);
// The same for a buffer whose bytes from used on are all NUL, where the units from used on
// come out NUL too: only the first used units need be written, and those after them are
// left as they are (a system may still write them).
void WidenExeFile(const char (&ansi)[MAX_PATH], char16_t (&wide)[MAX_PATH], int used);

} // namespace basDeclares
