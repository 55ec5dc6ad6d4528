#include "LinuxCommandLine.h"
#include "LinuxFileLimit.h"
#include "LinuxOsLayer.h"
#include "LinuxUniqueFd.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// execvp goes on to the next folder after these; any other failure ends the search.
bool searchGoesOn(int error) {
    return error == ENOENT || error == ENOTDIR || error == EACCES || error == ESTALE ||
           error == ENODEV || error == ETIMEDOUT;
}

// Runs in the grandchild, between fork and exec: only async-signal-safe calls here.
[[noreturn]] void execFirstCandidate(const std::vector<const char*>& candidates, char* const* argv,
                                     char* const* envp, int reportFd) {
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &byDefault, nullptr);
#ifdef SYS_close_range
    // The program gets none of ours beyond the standard three (Linux 5.11 and later).
    ::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */);
#endif

    int error = ENOENT;
    bool denied = false;
    for (const char* candidate : candidates) {
        ::execve(candidate, argv, envp);
        error = errno;
        denied = denied || error == EACCES;
        if (!searchGoesOn(error))
            break;
    }
    if (searchGoesOn(error) && denied)
        error = EACCES;
    while (::write(reportFd, &error, sizeof error) < 0 && errno == EINTR) {
    }
    ::_exit(127);
}

// The middle process: in a session of its own, so that signals to our terminal's process
// group pass the program by, it starts the program and ends at once.
[[noreturn]] void startProgram(const std::vector<const char*>& candidates, char* const* argv,
                               char* const* envp, int reportFd) {
    ::setsid();
    const pid_t program = ::fork();
    if (program == 0)
        execFirstCandidate(candidates, argv, envp, reportFd);
    if (program < 0) {
        const int error = errno;
        while (::write(reportFd, &error, sizeof error) < 0 && errno == EINTR) {
        }
    }
    ::_exit(0);
}

} // namespace

// The window style has no equivalent here: the program chooses how its windows open.
bool LinuxOsLayer::StartCommandLine(const std::string& commandLine, std::int32_t) {
    if (commandLine.find('\0') != std::string::npos)
        return false; // the system would see a shorter line than the one asked for
    std::vector<std::string> words = splitCommandLine(commandLine);
    if (words.empty() || words.front().empty())
        return false;
    const std::vector<std::string> candidates = programCandidates(words.front(), ::getenv("PATH"));

    // Everything the children need is built here: after fork only async-signal-safe
    // calls are allowed, as other threads may hold the allocator's locks.
    std::vector<const char*> candidateArgs;
    for (const std::string& candidate : candidates)
        candidateArgs.push_back(candidate.c_str());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    char* const* envp = environ;

    // Exec closes the write end of a successful start; a failure writes its errno there.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return false;
    LinuxUniqueFd reportRead(ends[0]);
    LinuxUniqueFd reportWrite(ends[1]);

    // Two forks: the middle process ends at once and is reaped here, so the program is
    // adopted by the system and never lingers as our zombie. Where orphans come to us,
    // the program comes back as our child, in a session of its own, and LinuxChildReaper
    // reaps it when it ends.
    // The middle process never returns here: it ends within the start.
    const pid_t middle = LinuxFileLimit::startingChild([&] {
        const pid_t forked = ::fork();
        if (forked == 0) {
            ::close(reportRead.get());
            startProgram(candidateArgs, argv.data(), envp, reportWrite.get());
        }
        return forked;
    });
    if (middle < 0)
        return false;

    reportWrite.reset();
    while (::waitpid(middle, nullptr, 0) < 0 && errno == EINTR) {
    }
    int error = 0;
    ssize_t got;
    do {
        got = ::read(reportRead.get(), &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    return got == 0;
}
