// Prints the system's process table, one "id name" line a process, itself left out: what
// the packed program's trial under Wine compares the program's work with.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>

int main() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 1;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID != GetCurrentProcessId())
            std::printf("%lu %s\n", entry.th32ProcessID, entry.szExeFile);
    CloseHandle(snapshot);
    return 0;
}
