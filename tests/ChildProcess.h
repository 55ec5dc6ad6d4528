#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// A real process started by a test: the spawn_target program under any name, ready once
// the constructor returns, and ended and reaped when the object goes. It started in an
// earlier clock tick than anything that follows, so a snapshot taken from then on can end
// it (the program refuses to end a process that started in its snapshot's own tick).
class ChildProcess {
public:
    // Starts spawn_target with threads threads, under the file name exeName (through a
    // link in a private folder) so that the system reports that name.
    explicit ChildProcess(int threads = 1, const std::string& exeName = "spawn_target");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    pid_t pid() const { return pid_; }
    // Waits for the process to end (after someone else ended it) and returns its wait
    // status.
    int reap();
    bool running() const { return pid_ > 0; }

    static std::string targetPath();

private:
    static void waitForNextClockTick();

    pid_t pid_ = -1;
    std::string folder_;
};
