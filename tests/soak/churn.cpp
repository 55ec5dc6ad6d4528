// Starts and ends short-lived processes at a given rate (default 200 a second) until it
// gets SIGTERM or SIGINT, or for a given number of seconds. The processes run this same
// program under awkward names (spaces, parentheses, a newline, non-UTF-8 bytes, names
// longer than the kernel keeps); some rename themselves while they run, some start a
// thread, and some stay zombies for a while before they are reaped. At the end every
// child is killed and reaped, the names are removed, and the counts are printed.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <set>
#include <string>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

volatile std::sig_atomic_t stopRequested = 0;

int child(int lifetimeMs, int kind) {
    if (kind == 1) {
        ::prctl(PR_SET_NAME, "renamed (x) y");
    } else if (kind == 2) {
        std::thread([] { ::pause(); }).detach();
    }
    const timespec pause{0, lifetimeMs * 1000000L};
    ::nanosleep(&pause, nullptr);
    if (kind == 3)
        ::prctl(PR_SET_NAME, "\xff\xfe-late");
    ::_exit(0);
}

std::vector<std::string> awkwardNames() {
    return {"churn",
            "with space",
            "(paren) x)",
            "a) b (c",
            "new\nline",
            "tab\there",
            "bytes \xff\xfe\x80",
            "caf\xc3\xa9",
            "fifteen-bytes-x",
            "longer-than-fifteen-bytes (really)",
            std::string(200, 'L')};
}

void reapSome(std::set<pid_t>& running, long& ended) {
    for (;;) {
        const pid_t pid = ::waitpid(-1, nullptr, WNOHANG);
        if (pid <= 0)
            return;
        running.erase(pid);
        ++ended;
    }
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc == 4 && std::strcmp(argv[1], "--child") == 0)
        return child(std::atoi(argv[2]), std::atoi(argv[3]));

    const int rate = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
    const int seconds = argc > 2 ? std::atoi(argv[2]) : 0; // 0: until a signal
    std::signal(SIGTERM, [](int) { stopRequested = 1; });
    std::signal(SIGINT, [](int) { stopRequested = 1; });
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);

    char folderPattern[] = "/tmp/korvanta-churn-XXXXXX";
    if (!::mkdtemp(folderPattern)) {
        std::perror("mkdtemp");
        return 1;
    }
    const std::string folder = folderPattern;
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    std::vector<std::string> paths;
    for (const std::string& name : awkwardNames()) {
        paths.push_back(folder + "/" + name);
        std::filesystem::create_symlink(self, paths.back());
    }

    std::set<pid_t> running;
    long started = 0;
    long ended = 0;
    long failed = 0;
    timespec next;
    ::clock_gettime(CLOCK_MONOTONIC, &next);
    const long step = 1000000000L / rate;
    const time_t end = next.tv_sec + seconds;
    while (!stopRequested && (seconds == 0 || next.tv_sec < end)) {
        const std::string& path = paths[static_cast<std::size_t>(started) % paths.size()];
        const std::string lifetime = std::to_string(20 + started % 61);
        const std::string kind = std::to_string(started % 7 < 4 ? started % 7 : 0);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);
            char* const childArgv[] = {
                const_cast<char*>(path.c_str()), const_cast<char*>("--child"),
                const_cast<char*>(lifetime.c_str()), const_cast<char*>(kind.c_str()), nullptr};
            ::execv(path.c_str(), childArgv);
            ::_exit(127);
        }
        if (pid < 0) {
            ++failed;
        } else {
            running.insert(pid);
            ++started;
        }
        // Children are reaped every tenth start only, so ended ones stay zombies a while.
        if (started % 10 == 0)
            reapSome(running, ended);
        next.tv_nsec += step;
        if (next.tv_nsec >= 1000000000L) {
            next.tv_nsec -= 1000000000L;
            ++next.tv_sec;
        }
        while (::clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr) == EINTR &&
               !stopRequested) {
        }
    }

    for (const pid_t pid : running)
        ::kill(pid, SIGKILL);
    for (const pid_t pid : std::set<pid_t>(running)) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        running.erase(pid);
        ++ended;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    std::printf("churn: %ld processes started, %ld ended, %zu left, %ld failed starts\n", started,
                ended, running.size(), failed);
    return running.empty() && failed == 0 ? 0 : 1;
}
