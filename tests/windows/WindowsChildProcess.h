#pragma once

#include <cstdint>
#include <string>

// A real process started by a test: windows_target under any file name (a copy in a
// private folder, so the system reports that name), ready once the constructor returns,
// and ended, waited for and removed when the object goes. It also ends by itself when
// the test program ends.
class WindowsChildProcess {
public:
    explicit WindowsChildProcess(int threads = 1,
                                 const std::string& exeName = "windows_target.exe");
    ~WindowsChildProcess();
    WindowsChildProcess(const WindowsChildProcess&) = delete;
    WindowsChildProcess& operator=(const WindowsChildProcess&) = delete;

    std::int32_t pid() const { return pid_; }
    bool started() const { return process_ != nullptr; }
    // Waits up to timeoutMs for the process to end (after someone else ended it) and
    // gives its exit code; false when it still runs.
    bool waitForEnd(unsigned timeoutMs, std::uint32_t& exitCode);

private:
    void* process_ = nullptr;
    std::int32_t pid_ = 0;
    std::string folder_;
    std::string copy_;
};
