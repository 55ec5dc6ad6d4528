#pragma once

#include <sys/resource.h>

// The program's limit on open files (RLIMIT_NOFILE). The list keeps a descriptor open for
// every process it shows, more than the 1024 that many systems allow by default, so the
// soft limit is raised to the hard one once, at the first use. Programs the task list
// starts get the limit it was started with, as they would from any other program.
class LinuxFileLimit {
public:
    // Raises the soft limit to the hard one, the first time only.
    static void raise();
    // The soft limit the program was started with.
    static rlim_t original();
    // The soft limit now.
    static rlim_t current();

    // Every way the program starts another program goes through here: start runs with the
    // soft limit the program was started with, which the child inherits, and the raised
    // one is back once it returns. A child forked within start must not return from it:
    // the raised limit would come back in the child too.
    template <typename Start> static auto startingChild(Start start) {
        const Started limit;
        return start();
    }

private:
    class Started {
    public:
        Started();
        ~Started();
        Started(const Started&) = delete;
        Started& operator=(const Started&) = delete;

    private:
        rlimit now_{};
        bool lowered_ = false;
    };
};
