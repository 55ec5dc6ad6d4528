#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Idle child processes in a process group of their own, a third of them under a name that
// the kernel cuts short and that holds spaces and parentheses. All of them are ended and
// reaped by stop(), by the destructor, on SIGINT and SIGTERM (ended, then the benchmark
// ends), and by the kernel when the benchmark dies (each child asks for SIGKILL when its
// parent goes).
class ChildGroup {
public:
    static constexpr const char* kAwkwardName = "a) b (c) d long-named-proc";

    explicit ChildGroup(std::string idleProgram);
    ~ChildGroup();
    ChildGroup(const ChildGroup&) = delete;
    ChildGroup& operator=(const ChildGroup&) = delete;

    // Starts count more children and returns once every one of them runs.
    void start(int count);
    void stop();
    int size() const { return static_cast<int>(pids_.size()); }

private:
    pid_t spawnOne(const std::string& path, int readyFd);

    std::string idleProgram_;
    std::string folder_;
    std::string awkwardPath_;
    std::vector<pid_t> pids_;
    pid_t group_ = 0;
};
