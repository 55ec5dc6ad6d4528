#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

std::string ChildProcess::targetPath() {
    return SPAWN_TARGET;
}

ChildProcess::ChildProcess(int threads, const std::string& exeName) {
    char pattern[] = "/tmp/korvanta-child-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    const std::string path = folder_ + "/" + exeName;
    std::filesystem::create_symlink(targetPath(), path);

    int ready[2];
    if (::pipe(ready) != 0)
        throw std::runtime_error("pipe failed");
    const std::string threadArg = std::to_string(threads);
    char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(threadArg.c_str()),
                          nullptr};
    pid_ = ::fork();
    if (pid_ == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        ::dup2(ready[1], STDOUT_FILENO);
        ::close(ready[0]);
        ::close(ready[1]);
        ::execv(path.c_str(), argv);
        ::_exit(127);
    }
    ::close(ready[1]);
    char byte = 0;
    ssize_t got;
    do {
        got = ::read(ready[0], &byte, 1);
    } while (got < 0 && errno == EINTR);
    ::close(ready[0]);
    if (pid_ < 0 || got != 1) {
        reap();
        throw std::runtime_error("the test process did not start");
    }
    waitForNextClockTick();
}

// Process start times count whole ticks of the boot-time clock.
void ChildProcess::waitForNextClockTick() {
    const std::int64_t tick = 1'000'000'000 / ::sysconf(_SC_CLK_TCK);
    timespec now{};
    ::clock_gettime(CLOCK_BOOTTIME, &now);
    const std::int64_t next = (now.tv_sec * 1'000'000'000 + now.tv_nsec) / tick * tick + tick;
    const timespec at{static_cast<time_t>(next / 1'000'000'000),
                      static_cast<long>(next % 1'000'000'000)};
    while (::clock_nanosleep(CLOCK_BOOTTIME, TIMER_ABSTIME, &at, nullptr) == EINTR) {
    }
}

int ChildProcess::reap() {
    int status = 0;
    if (pid_ > 0) {
        while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    return status;
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
        reap();
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}
