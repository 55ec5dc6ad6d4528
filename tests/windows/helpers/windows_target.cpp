// A small program the Windows tests start under names of their choosing.
//   windows_target [THREADS]            runs THREADS threads (the main one included), says
//                                       it is ready, and ends when its parent ends
//   windows_target --report FILE ARGS   writes its window style and ARGS to FILE and ends
#include <windows.h>

#include <tlhelp32.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

DWORD parentProcessId() {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    DWORD parent = 0;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (entry.th32ProcessID == GetCurrentProcessId())
            parent = entry.th32ParentProcessID;
    CloseHandle(snapshot);
    return parent;
}

DWORD WINAPI idle(void*) {
    Sleep(INFINITE);
    return 0;
}

int report(const char* file, int argc, char* argv[]) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    GetStartupInfoA(&startup);
    std::string text = std::to_string((startup.dwFlags & STARTF_USESHOWWINDOW) ? 1 : 0) + " " +
                       std::to_string(startup.wShowWindow) + "\n";
    for (int k = 0; k < argc; ++k)
        text += std::string(argv[k]) + "\n";
    // Written beside and then renamed, so the reader never sees half of it.
    const std::string partial = std::string(file) + ".partial";
    FILE* out = std::fopen(partial.c_str(), "wb");
    if (!out)
        return 1;
    std::fwrite(text.data(), 1, text.size(), out);
    std::fclose(out);
    return MoveFileA(partial.c_str(), file) ? 0 : 1;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc >= 3 && std::strcmp(argv[1], "--report") == 0)
        return report(argv[2], argc - 3, argv + 3);

    const int threads = argc > 1 ? std::atoi(argv[1]) : 1;
    const HANDLE parent = OpenProcess(SYNCHRONIZE, FALSE, parentProcessId());
    if (!parent)
        return 1;
    for (int k = 1; k < threads; ++k)
        if (!CreateThread(nullptr, 0, idle, nullptr, 0, nullptr))
            return 1;
    const std::string readyName =
        "Local\\KorvantaTargetReady-" + std::to_string(GetCurrentProcessId());
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    if (!ready || !SetEvent(ready))
        return 1;
    WaitForSingleObject(parent, INFINITE);
    return 0;
}
