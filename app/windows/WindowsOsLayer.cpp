#include "WindowsHeaders.h"

#include "WindowsOsLayer.h"

#include "app/ProgramEnd.h"
#include "app/RuntimeError.h"

#include <cstddef>
#include <cstring>

namespace {

using ProgramEntry = basDeclares::PROCESSENTRY32;
using SystemEntry = ::PROCESSENTRY32;

// The system's record has a pointer-sized heap id: 304 bytes in a 64-bit program, the
// program's own 296-byte form in a 32-bit one.
constexpr bool kWide = sizeof(ULONG_PTR) == 8;
static_assert(offsetof(SystemEntry, dwSize) == 0);
static_assert(offsetof(SystemEntry, cntUsage) == 4);
static_assert(offsetof(SystemEntry, th32ProcessID) == 8);
static_assert(offsetof(SystemEntry, th32DefaultHeapID) == (kWide ? 16 : 12));
static_assert(offsetof(SystemEntry, th32ModuleID) == (kWide ? 24 : 16));
static_assert(offsetof(SystemEntry, cntThreads) == (kWide ? 28 : 20));
static_assert(offsetof(SystemEntry, th32ParentProcessID) == (kWide ? 32 : 24));
static_assert(offsetof(SystemEntry, pcPriClassBase) == (kWide ? 36 : 28));
static_assert(offsetof(SystemEntry, dwFlags) == (kWide ? 40 : 32));
static_assert(offsetof(SystemEntry, szExeFile) == (kWide ? 44 : 36));
static_assert(sizeof(SystemEntry) == (kWide ? 304 : 296));
static_assert(sizeof(SystemEntry::szExeFile) == sizeof(ProgramEntry::szExeFile));

using CreateToolhelp32SnapshotCall = ::HANDLE(WINAPI*)(DWORD, DWORD);
using Process32Call = BOOL(WINAPI*)(::HANDLE, SystemEntry*);
using CloseHandleCall = BOOL(WINAPI*)(::HANDLE);
using OpenProcessCall = ::HANDLE(WINAPI*)(DWORD, BOOL, DWORD);
using TerminateProcessCall = BOOL(WINAPI*)(::HANDLE, UINT);
using GetProcessTimesCall = BOOL(WINAPI*)(::HANDLE, ::FILETIME*, ::FILETIME*, ::FILETIME*,
                                          ::FILETIME*);
using GetSystemTimeAsFileTimeCall = void(WINAPI*)(::FILETIME*);

::HANDLE toSystem(basDeclares::HANDLE handle) {
    return reinterpret_cast<::HANDLE>(handle);
}

basDeclares::HANDLE toProgram(::HANDLE handle) {
    return reinterpret_cast<basDeclares::HANDLE>(handle);
}

basDeclares::FILETIME toProgram(const ::FILETIME& time) {
    return {time.dwLowDateTime, time.dwHighDateTime};
}

void toSystem(const ProgramEntry& from, SystemEntry& to) {
    to.dwSize = sizeof(SystemEntry);
    to.cntUsage = static_cast<DWORD>(from.cntUsage);
    to.th32ProcessID = static_cast<DWORD>(from.th32ProcessID);
    to.th32DefaultHeapID =
        static_cast<ULONG_PTR>(static_cast<std::uint32_t>(from.th32DefaultHeapID));
    to.th32ModuleID = static_cast<DWORD>(from.th32ModuleID);
    to.cntThreads = static_cast<DWORD>(from.cntThreads);
    to.th32ParentProcessID = static_cast<DWORD>(from.th32ParentProcessID);
    to.pcPriClassBase = from.pcPriClassBase;
    to.dwFlags = static_cast<DWORD>(from.dwFlags);
    std::memcpy(to.szExeFile, from.szExeFile, sizeof to.szExeFile);
}

// dwSize stays the program's 296; the heap id keeps its low 32 bits, as a 32-bit
// program sees it.
void toProgram(const SystemEntry& from, ProgramEntry& to) {
    to.cntUsage = static_cast<std::int32_t>(from.cntUsage);
    to.th32ProcessID = static_cast<std::int32_t>(from.th32ProcessID);
    to.th32DefaultHeapID = static_cast<std::int32_t>(from.th32DefaultHeapID);
    to.th32ModuleID = static_cast<std::int32_t>(from.th32ModuleID);
    to.cntThreads = static_cast<std::int32_t>(from.cntThreads);
    to.th32ParentProcessID = static_cast<std::int32_t>(from.th32ParentProcessID);
    to.pcPriClassBase = static_cast<std::int32_t>(from.pcPriClassBase);
    to.dwFlags = static_cast<std::int32_t>(from.dwFlags);
    std::memcpy(to.szExeFile, from.szExeFile, sizeof to.szExeFile);
}

} // namespace

OsLayer& OsLayer::native() {
    static WindowsOsLayer layer;
    return layer;
}

WindowsOsLayer::Declarations WindowsOsLayer::programDeclarations() {
    return {{
        {"kernel32", "CreateToolhelp32Snapshot"},
        {"kernel32", "Process32First"},
        {"kernel32", "Process32Next"},
        {"kernel32", "CloseHandle"},
        {"kernel32", "OpenProcess"},
        {"kernel32", "TerminateProcess"},
        {"shell32.dll", "ShellExecuteA"},
        {"kernel32", "GetProcessTimes"},
        {"kernel32", "GetSystemTimeAsFileTime"},
    }};
}

WindowsOsLayer::WindowsOsLayer(Declarations declarations)
    : declarations_(std::move(declarations)) {}

template <typename Result> Result WindowsOsLayer::keepError(Result result) {
    lastError_ = static_cast<std::int32_t>(::GetLastError());
    return result;
}

WindowsOsLayer::Address WindowsOsLayer::address(Function function) {
    Address& remembered = addresses_[function];
    if (remembered)
        return remembered;
    const Declaration& declared = declarations_[function];
    const HMODULE library = ::LoadLibraryA(declared.library.c_str());
    if (!library) {
        const DWORD reason = ::GetLastError();
        if (reason == ERROR_MOD_NOT_FOUND || reason == ERROR_FILE_NOT_FOUND ||
            reason == ERROR_PATH_NOT_FOUND)
            throw RuntimeError(RuntimeError::FileNotFound, "File not found: " + declared.library);
        throw RuntimeError(RuntimeError::ErrorInLoadingDll);
    }
    const FARPROC found = ::GetProcAddress(library, declared.entryPoint.c_str());
    if (!found) {
        ::FreeLibrary(library);
        throw RuntimeError(RuntimeError::DllEntryPointNotFound, "Can't find DLL entry point " +
                                                                    declared.entryPoint + " in " +
                                                                    declared.library);
    }
    // The library stays loaded for the rest of the run, as the address is kept.
    remembered = reinterpret_cast<Address>(found);
    return remembered;
}

OsLayer::HANDLE WindowsOsLayer::CreateToolhelp32Snapshot(std::int32_t dwFlags,
                                                         std::int32_t th32ProcessID) {
    const auto call =
        reinterpret_cast<CreateToolhelp32SnapshotCall>(address(CreateToolhelp32SnapshotFunction));
    return keepError(
        toProgram(call(static_cast<DWORD>(dwFlags), static_cast<DWORD>(th32ProcessID))));
}

std::int32_t WindowsOsLayer::enumerate(Function function, HANDLE hSnapshot,
                                       basDeclares::PROCESSENTRY32& lppe) {
    const auto call = reinterpret_cast<Process32Call>(address(function));
    // The system refuses a record whose size is not its own; the program's record is
    // refused the same way when it does not say 296.
    if (lppe.dwSize != static_cast<std::int32_t>(sizeof(ProgramEntry))) {
        ::SetLastError(ERROR_BAD_LENGTH);
        return keepError(0);
    }
    SystemEntry entry;
    toSystem(lppe, entry);
    const BOOL delivered = keepError(call(toSystem(hSnapshot), &entry));
    toProgram(entry, lppe);
    return delivered;
}

std::int32_t WindowsOsLayer::Process32First(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) {
    return enumerate(Process32FirstFunction, hSnapshot, lppe);
}

std::int32_t WindowsOsLayer::Process32Next(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) {
    return enumerate(Process32NextFunction, hSnapshot, lppe);
}

std::int32_t WindowsOsLayer::CloseHandle(HANDLE hObject) {
    const auto call = reinterpret_cast<CloseHandleCall>(address(CloseHandleFunction));
    return keepError(call(toSystem(hObject)));
}

OsLayer::HANDLE WindowsOsLayer::OpenProcess(std::int32_t dwDesiredAccess,
                                            std::int32_t bInheritHandle, std::int32_t dwProcessId) {
    const auto call = reinterpret_cast<OpenProcessCall>(address(OpenProcessFunction));
    return keepError(toProgram(call(static_cast<DWORD>(dwDesiredAccess), bInheritHandle,
                                    static_cast<DWORD>(dwProcessId))));
}

std::int32_t WindowsOsLayer::TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) {
    const auto call = reinterpret_cast<TerminateProcessCall>(address(TerminateProcessFunction));
    const ::HANDLE process = toSystem(hProcess);
    // The task list's own process ends through the program's own end.
    if (process != nullptr && ::GetProcessId(process) == ::GetCurrentProcessId()) {
        EndProgram(uExitCode);
        return 1;
    }
    return keepError(call(process, static_cast<UINT>(uExitCode)));
}

std::int32_t WindowsOsLayer::GetProcessTimes(HANDLE hProcess, basDeclares::FILETIME& lpCreationTime,
                                             basDeclares::FILETIME& lpExitTime,
                                             basDeclares::FILETIME& lpKernelTime,
                                             basDeclares::FILETIME& lpUserTime) {
    const auto call = reinterpret_cast<GetProcessTimesCall>(address(GetProcessTimesFunction));
    ::FILETIME creation{}, exit{}, kernel{}, user{};
    const BOOL read = keepError(call(toSystem(hProcess), &creation, &exit, &kernel, &user));
    if (read) {
        lpCreationTime = toProgram(creation);
        lpExitTime = toProgram(exit);
        lpKernelTime = toProgram(kernel);
        lpUserTime = toProgram(user);
    }
    return read;
}

void WindowsOsLayer::GetSystemTimeAsFileTime(basDeclares::FILETIME& lpSystemTimeAsFileTime) {
    const auto call =
        reinterpret_cast<GetSystemTimeAsFileTimeCall>(address(GetSystemTimeAsFileTimeFunction));
    ::FILETIME now{};
    call(&now);
    lpSystemTimeAsFileTime = toProgram(now);
}
