#include "ChildGroup.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// What the signal handler needs, in a form it may touch.
volatile sig_atomic_t g_group = 0;
char g_link[512];
char g_folder[512];

void onInterrupt(int signal) {
    if (g_group > 0)
        ::killpg(g_group, SIGKILL);
    if (g_link[0] != '\0')
        ::unlink(g_link);
    if (g_folder[0] != '\0')
        ::rmdir(g_folder);
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void copyFor(char (&target)[512], const std::string& text) {
    std::snprintf(target, sizeof target, "%s", text.c_str());
}

} // namespace

ChildGroup::ChildGroup(std::string idleProgram) : idleProgram_(std::move(idleProgram)) {
    char pattern[] = "/tmp/korvanta-bench-XXXXXX";
    if (!::mkdtemp(pattern))
        throw std::runtime_error("mkdtemp failed");
    folder_ = pattern;
    awkwardPath_ = folder_ + "/" + kAwkwardName;
    if (::symlink(idleProgram_.c_str(), awkwardPath_.c_str()) != 0)
        throw std::runtime_error("symlink failed");
    copyFor(g_folder, folder_);
    copyFor(g_link, awkwardPath_);
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

ChildGroup::~ChildGroup() {
    stop();
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGTERM, SIG_DFL);
    g_link[0] = '\0';
    g_folder[0] = '\0';
    ::unlink(awkwardPath_.c_str());
    ::rmdir(folder_.c_str());
}

pid_t ChildGroup::spawnOne(const std::string& path, int readyFd) {
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETSIGMASK);
    posix_spawnattr_setpgroup(&attributes, group_);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, readyFd, STDOUT_FILENO);

    const std::string parent = std::to_string(::getpid());
    char* const argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>(parent.c_str()),
                          nullptr};
    pid_t pid = 0;
    const int error = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0)
        throw std::runtime_error(std::string("posix_spawn failed: ") + std::strerror(error));
    return pid;
}

void ChildGroup::start(int count) {
    int ready[2];
    if (::pipe2(ready, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    pids_.reserve(pids_.size() + static_cast<std::size_t>(count));
    for (int k = 0; k < count; ++k) {
        const pid_t pid = spawnOne(k % 3 == 2 ? awkwardPath_ : idleProgram_, ready[1]);
        pids_.push_back(pid);
        if (group_ == 0) {
            group_ = pid;
            g_group = pid;
        }
    }
    ::close(ready[1]);
    char bytes[256];
    int seen = 0;
    while (seen < count) {
        const ssize_t got = ::read(ready[0], bytes, sizeof bytes);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        seen += static_cast<int>(got);
    }
    ::close(ready[0]);
    if (seen < count)
        throw std::runtime_error("not every child process started");
}

void ChildGroup::stop() {
    if (group_ > 0)
        ::killpg(group_, SIGKILL);
    for (const pid_t pid : pids_)
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    pids_.clear();
    group_ = 0;
    g_group = 0;
}
