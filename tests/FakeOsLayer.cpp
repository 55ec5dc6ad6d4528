#include "FakeOsLayer.h"

#include "app/RuntimeError.h"

#include <algorithm>
#include <cstring>

void FakeOsLayer::setProcessCount(int n) {
    processes.clear();
    for (int k = 0; k < n; ++k)
        processes.push_back({100 + k, "proc" + std::to_string(100 + k), 1 + k % 7, 0});
}

OsLayer::HANDLE FakeOsLayer::CreateToolhelp32Snapshot(std::int32_t, std::int32_t) {
    ++snapshotsTaken;
    if (snapshotFails)
        return failureValue;
    const HANDLE handle = nextHandle_++;
    open_[handle].table = processes;
    return handle;
}

std::int32_t FakeOsLayer::deliver(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe, bool first) {
    const auto found = open_.find(hSnapshot);
    if (found == open_.end() || found->second.isProcess)
        return 0;
    if (lppe.dwSize != static_cast<std::int32_t>(sizeof(basDeclares::PROCESSENTRY32)))
        return 0;
    Object& snapshot = found->second;
    if (first)
        snapshot.next = 0;
    if (snapshot.next >= snapshot.table.size())
        return 0;
    const Process& process = snapshot.table[snapshot.next++];
    lppe.cntUsage = process.usage;
    lppe.th32ProcessID = process.pid;
    lppe.th32DefaultHeapID = 0;
    lppe.th32ModuleID = 0;
    lppe.cntThreads = process.threads;
    lppe.th32ParentProcessID = 1;
    lppe.pcPriClassBase = 8;
    lppe.dwFlags = 0;
    const std::size_t length = std::min<std::size_t>(process.name.size(), 259);
    std::memcpy(lppe.szExeFile, process.name.data(), length);
    lppe.szExeFile[length] = '\0';
    return 1;
}

std::int32_t FakeOsLayer::Process32First(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) {
    return deliver(hSnapshot, lppe, true);
}

std::int32_t FakeOsLayer::Process32Next(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) {
    return deliver(hSnapshot, lppe, false);
}

std::int32_t FakeOsLayer::CloseHandle(HANDLE hObject) {
    return open_.erase(hObject) == 1 ? 1 : 0;
}

const FakeOsLayer::Process* FakeOsLayer::running(std::int32_t pid) const {
    const auto found = std::find_if(processes.begin(), processes.end(),
                                    [&](const Process& p) { return p.pid == pid; });
    return found == processes.end() ? nullptr : &*found;
}

OsLayer::HANDLE FakeOsLayer::OpenProcess(std::int32_t dwDesiredAccess, std::int32_t,
                                         std::int32_t dwProcessId) {
    opened.push_back(dwProcessId);
    const Process* process = running(dwProcessId);
    if (!process || dwProcessId == 0) {
        lastError_ = basDeclares::ERROR_INVALID_PARAMETER;
        return 0;
    }
    if ((dwDesiredAccess & basDeclares::PROCESS_TERMINATE) != 0 && !process->mayEnd) {
        lastError_ = basDeclares::ERROR_ACCESS_DENIED;
        return 0;
    }
    const HANDLE handle = nextHandle_++;
    open_[handle].isProcess = true;
    open_[handle].pid = dwProcessId;
    return handle;
}

std::int32_t FakeOsLayer::TerminateProcess(HANDLE hProcess, std::int32_t) {
    const auto found = open_.find(hProcess);
    if (found == open_.end() || !found->second.isProcess)
        return 0;
    const std::int32_t pid = found->second.pid;
    terminated.push_back(pid);
    std::erase_if(processes, [&](const Process& p) { return p.pid == pid; });
    return 1;
}

std::int32_t FakeOsLayer::GetProcessTimes(HANDLE hProcess, basDeclares::FILETIME& lpCreationTime,
                                          basDeclares::FILETIME& lpExitTime,
                                          basDeclares::FILETIME& lpKernelTime,
                                          basDeclares::FILETIME& lpUserTime) {
    if (processTimesRaise)
        throw RuntimeError(RuntimeError::DllEntryPointNotFound,
                           "Can't find DLL entry point GetProcessTimes in kernel32");
    const auto found = open_.find(hProcess);
    const Process* process =
        found != open_.end() && found->second.isProcess ? running(found->second.pid) : nullptr;
    if (!process)
        return 0;
    lpCreationTime = basDeclares::ToFileTime(process->created);
    lpExitTime = lpKernelTime = lpUserTime = basDeclares::ToFileTime(0);
    return 1;
}

void FakeOsLayer::GetSystemTimeAsFileTime(basDeclares::FILETIME& lpSystemTimeAsFileTime) {
    lpSystemTimeAsFileTime = basDeclares::ToFileTime(now);
}

OsLayer::HINSTANCE FakeOsLayer::ShellExecuteA(HWND hwnd, const char* lpOperation,
                                              const char* lpFile, const char* lpParameters,
                                              const char* lpDirectory, std::int32_t nShowCmd) {
    shellCalls.push_back({hwnd, lpOperation ? lpOperation : "", lpFile ? lpFile : "",
                          lpDirectory ? lpDirectory : "", lpParameters == nullptr, nShowCmd});
    return 42;
}

bool FakeOsLayer::StartCommandLine(const std::string& commandLine, std::int32_t windowStyle) {
    started.push_back({commandLine, windowStyle});
    return startSucceeds && !commandLine.empty() && commandLine.find('\0') == std::string::npos;
}
