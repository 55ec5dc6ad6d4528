#include "WindowsProbe.h"

#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>

namespace WindowsProbe {

namespace {

// Calls visit for every process of a fresh snapshot until it returns true.
template <typename Visit> bool anyProcess(Visit visit) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return false;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    bool found = false;
    for (BOOL more = Process32First(snapshot, &entry); more && !found;
         more = Process32Next(snapshot, &entry))
        found = visit(entry);
    CloseHandle(snapshot);
    return found;
}

bool isChildNamed(const PROCESSENTRY32& entry, const std::string& exeName) {
    return entry.th32ParentProcessID == GetCurrentProcessId() &&
           lstrcmpiA(entry.szExeFile, exeName.c_str()) == 0;
}

template <typename Condition> bool waitUntil(unsigned timeoutMs, Condition condition) {
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        if (condition())
            return true;
        if (GetTickCount64() >= deadline)
            return false;
        Sleep(20);
    }
}

} // namespace

std::int32_t currentProcessId() {
    return static_cast<std::int32_t>(GetCurrentProcessId());
}

int threadCount(std::int32_t pid) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    THREADENTRY32 entry{};
    entry.dwSize = sizeof entry;
    int count = 0;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        if (entry.th32OwnerProcessID == static_cast<DWORD>(pid))
            ++count;
    CloseHandle(snapshot);
    return count;
}

bool handleIsOpen(std::intptr_t handle) {
    DWORD flags = 0;
    return GetHandleInformation(reinterpret_cast<HANDLE>(handle), &flags) != 0;
}

// Wine's ntdll tells its version; Windows' has no such entry point.
bool underWine() {
    const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

unsigned ansiCodePage() {
    return GetACP();
}

std::string executablePath() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    return std::string(path, length);
}

std::string folderOf(const std::string& path) {
    return path.substr(0, path.find_last_of("\\/"));
}

std::string fileNameOf(const std::string& path) {
    return path.substr(path.find_last_of("\\/") + 1);
}

std::string testFolder() {
    return folderOf(executablePath());
}

std::string newFolder() {
    static int counter = 0;
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    const std::string folder = std::string(temp) + "korvanta-tests-" +
                               std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(++counter);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void removeFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileA((folder + "\\" + found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

bool copyFile(const std::string& from, const std::string& to) {
    return CopyFileA(from.c_str(), to.c_str(), FALSE) != 0;
}

void writeFile(const std::string& path, const std::string& text) {
    if (FILE* out = std::fopen(path.c_str(), "wb")) {
        std::fwrite(text.data(), 1, text.size(), out);
        std::fclose(out);
    }
}

std::string waitForFile(const std::string& path, unsigned timeoutMs) {
    std::string text;
    waitUntil(timeoutMs, [&] {
        FILE* in = std::fopen(path.c_str(), "rb");
        if (!in)
            return false;
        char buffer[4096];
        const std::size_t length = std::fread(buffer, 1, sizeof buffer, in);
        std::fclose(in);
        text.assign(buffer, length);
        return true;
    });
    return text;
}

std::int32_t waitForChild(const std::string& exeName, unsigned timeoutMs) {
    DWORD pid = 0;
    waitUntil(timeoutMs, [&] {
        return anyProcess([&](const PROCESSENTRY32& entry) {
            if (!isChildNamed(entry, exeName))
                return false;
            pid = entry.th32ProcessID;
            return true;
        });
    });
    return static_cast<std::int32_t>(pid);
}

bool waitForNoChild(const std::string& exeName, unsigned timeoutMs) {
    return waitUntil(timeoutMs, [&] {
        return !anyProcess(
            [&](const PROCESSENTRY32& entry) { return isChildNamed(entry, exeName); });
    });
}

bool endProcess(std::int32_t pid) {
    const HANDLE process =
        OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (!process)
        return false;
    TerminateProcess(process, 1);
    const bool ended = WaitForSingleObject(process, kTimeoutMs) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

} // namespace WindowsProbe
