#pragma once

#include "LinuxProcFolder.h"
#include "LinuxUniqueFd.h"

#include <memory>
#include <string>

class QSocketNotifier;

// Where orphans are handed to the program (it is process 1 of its pid namespace, or a
// child subreaper), reaps the children that nobody else waits for: the programs it started
// and the orphans it adopted, each in a session other than the program's own. A child of
// the program's own session is left to whoever made it: Qt waits for the children it
// starts, a test for its own, and the exit status must still be there for them. (The
// middle process of a start, in a session of its own, is reaped at once by the start
// itself, before the event loop can run this.)
//
// SIGCHLD wakes it: a handler, chained to the one it replaced, writes to a pipe that the
// event loop watches, and each wake-up looks through /proc for zombie children.
class LinuxChildReaper {
public:
    // Whether orphans are handed to this process.
    static bool orphansComeHere();

    explicit LinuxChildReaper(const std::string& procRoot);
    ~LinuxChildReaper();
    LinuxChildReaper(const LinuxChildReaper&) = delete;
    LinuxChildReaper& operator=(const LinuxChildReaper&) = delete;

    // Reaps every zombie child of a session other than ours.
    void reap();

private:
    LinuxProcFolder proc_;
    LinuxUniqueFd wakeUp_;
    std::unique_ptr<QSocketNotifier> notifier_;
};
