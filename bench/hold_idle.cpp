// Holds COUNT idle processes, started as the benchmark starts them, while task lists are
// compared side by side over them (tools/dev compare). Prints "ready COUNT" once every one
// runs, then waits for SIGTERM, SIGINT or SIGHUP, and ends and reaps them all before it
// goes. It is sent SIGTERM when its parent goes; should it be killed outright, each child
// is killed with it.
#include "ChildGroup.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    if (argc != 2 || std::atoi(argv[1]) < 0) {
        std::fprintf(stderr, "usage: korvanta_hold_idle COUNT\n");
        return 2;
    }
    const int count = std::atoi(argv[1]);
    // Blocked here and taken by sigwait below, so that an ending signal, even one that comes
    // while the children start, leads to the reaping at the end of main.
    sigset_t ending;
    sigemptyset(&ending);
    sigaddset(&ending, SIGTERM);
    sigaddset(&ending, SIGINT);
    sigaddset(&ending, SIGHUP);
    ::sigprocmask(SIG_BLOCK, &ending, nullptr);
    const pid_t parent = ::getppid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
    if (::getppid() != parent)
        return 0;
    try {
        ChildGroup children(IDLE_CHILD);
        children.start(count);
        std::printf("ready %d\n", children.size());
        std::fflush(stdout);
        int signal = 0;
        ::sigwait(&ending, &signal);
        children.stop();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "korvanta_hold_idle: %s\n", error.what());
        return 1;
    }
    return 0;
}
