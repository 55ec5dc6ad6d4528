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
    // Puts back the limit the program was started with. For a child between fork and exec:
    // one system call, nothing else.
    static void restoreInChild();

    // While one lives, the soft limit is the one the program was started with, so that a
    // program started meanwhile by other code (Qt's) gets it.
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
