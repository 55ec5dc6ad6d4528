#include "WindowsChildProcess.h"

#include "WindowsProbe.h"

#include <windows.h>

#include <string>

WindowsChildProcess::WindowsChildProcess(int threads, const std::string& exeName) {
    folder_ = WindowsProbe::newFolder();
    copy_ = folder_ + "\\" + exeName;
    const std::string target = WindowsProbe::testFolder() + "\\windows_target.exe";
    if (!CopyFileA(target.c_str(), copy_.c_str(), FALSE))
        return;

    std::string line = "\"" + copy_ + "\" " + std::to_string(threads);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    if (!CreateProcessA(copy_.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &started))
        return;
    CloseHandle(started.hThread);
    process_ = started.hProcess;
    pid_ = static_cast<std::int32_t>(started.dwProcessId);

    const std::string readyName = "Local\\KorvantaTargetReady-" + std::to_string(pid_);
    const HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, readyName.c_str());
    const HANDLE waitFor[] = {ready, process_};
    // Ready, or ended before it got there: either way the wait is over.
    WaitForMultipleObjects(2, waitFor, FALSE, WindowsProbe::kTimeoutMs);
    CloseHandle(ready);
}

WindowsChildProcess::~WindowsChildProcess() {
    if (process_) {
        TerminateProcess(process_, 1);
        WaitForSingleObject(process_, WindowsProbe::kTimeoutMs);
        CloseHandle(process_);
    }
    WindowsProbe::removeFolder(folder_);
}

bool WindowsChildProcess::waitForEnd(unsigned timeoutMs, std::uint32_t& exitCode) {
    if (!process_ || WaitForSingleObject(process_, timeoutMs) != WAIT_OBJECT_0)
        return false;
    DWORD code = 0;
    GetExitCodeProcess(process_, &code);
    exitCode = code;
    return true;
}
