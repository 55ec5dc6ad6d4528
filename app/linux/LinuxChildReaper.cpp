#include "LinuxChildReaper.h"

#include "ProcStat.h"

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <string_view>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <vector>

namespace {

// The pipe that the handler writes to, and the handler it replaced. Both stay for the
// rest of the run, as the handler may run at any moment until the program ends.
struct WakeUp {
    int readEnd = -1;
    int writeEnd = -1;
    struct sigaction previous {};
};
WakeUp wakeUp;

void onChildSignal(int signal, siginfo_t* info, void* context) {
    const int saved = errno;
    const char byte = 0;
    if (::write(wakeUp.writeEnd, &byte, 1) < 0) {
        // A full pipe has woken the reaper already.
    }
    errno = saved;
    const struct sigaction& previous = wakeUp.previous;
    if ((previous.sa_flags & SA_SIGINFO) != 0) {
        if (previous.sa_sigaction)
            previous.sa_sigaction(signal, info, context);
    } else if (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN) {
        previous.sa_handler(signal);
    }
}

bool handlerInstalled() {
    static const bool installed = [] {
        struct sigaction current {};
        if (::sigaction(SIGCHLD, nullptr, &current) != 0)
            return false;
        // With SIGCHLD ignored the system reaps every child itself.
        if ((current.sa_flags & SA_SIGINFO) == 0 && current.sa_handler == SIG_IGN)
            return false;
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        wakeUp.readEnd = ends[0];
        wakeUp.writeEnd = ends[1];
        wakeUp.previous = current;
        struct sigaction action {};
        action.sa_sigaction = onChildSignal;
        action.sa_flags = SA_SIGINFO | SA_RESTART | (current.sa_flags & SA_NOCLDSTOP);
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGCHLD, &action, nullptr) == 0;
    }();
    return installed;
}

} // namespace

bool LinuxChildReaper::orphansComeHere() {
    int subreaper = 0;
    return ::getpid() == 1 || (::prctl(PR_GET_CHILD_SUBREAPER, &subreaper) == 0 && subreaper != 0);
}

LinuxChildReaper::LinuxChildReaper(const std::string& procRoot) : proc_(procRoot) {
    if (handlerInstalled())
        wakeUp_.reset(::fcntl(wakeUp.readEnd, F_DUPFD_CLOEXEC, 0));
    if (wakeUp_) {
        notifier_ = std::make_unique<QSocketNotifier>(wakeUp_.get(), QSocketNotifier::Read);
        QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] {
            char bytes[64];
            while (::read(wakeUp_.get(), bytes, sizeof bytes) > 0) {
            }
            reap();
        });
    }
    reap(); // the orphans handed over before now
}

LinuxChildReaper::~LinuxChildReaper() = default;

void LinuxChildReaper::reap() {
    const std::int32_t selfId = proc_.selfId();
    char buffer[1024];
    const ssize_t length = LinuxProcFolder::readAt(proc_.fd(), "self/stat", buffer, sizeof buffer);
    ProcStat self;
    if (selfId == 0 || length <= 0 ||
        !parseProcStat(std::string_view(buffer, static_cast<std::size_t>(length)), self))
        return;
    // Where this /proc numbers processes otherwise than our pid namespace, a child's id for
    // waitpid is the one it has at our level of the namespaces.
    const bool idsAreOurs = selfId == static_cast<std::int32_t>(::getpid());
    const std::size_t level =
        idsAreOurs ? 0 : LinuxProcFolder::namespaceIds(proc_.fd(), "self/status").size();
    if (!idsAreOurs && level == 0)
        return;

    std::vector<pid_t> zombies;
    proc_.forEachProcessId([&](std::int32_t pid) {
        char path[32];
        LinuxProcFolder::processPath(path, pid, "stat");
        const ssize_t read = LinuxProcFolder::readAt(proc_.fd(), path, buffer, sizeof buffer);
        ProcStat stat;
        if (read <= 0 ||
            !parseProcStat(std::string_view(buffer, static_cast<std::size_t>(read)), stat))
            return;
        if (stat.state != 'Z' || stat.ppid != selfId || stat.session == self.session)
            return;
        if (idsAreOurs) {
            zombies.push_back(pid);
            return;
        }
        LinuxProcFolder::processPath(path, pid, "status");
        const std::vector<std::int32_t> ids = LinuxProcFolder::namespaceIds(proc_.fd(), path);
        if (ids.size() >= level)
            zombies.push_back(ids[level - 1]);
    });
    for (const pid_t zombie : zombies)
        ::waitpid(zombie, nullptr, WNOHANG);
}
