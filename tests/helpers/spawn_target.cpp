// Runs N threads (first argument, default 1, the main thread included) and waits for a
// signal. It also ends when the process that started it ends.
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <thread>
#include <unistd.h>
#include <vector>

int main(int argc, char* argv[]) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int threads = argc > 1 ? std::atoi(argv[1]) : 1;
    std::vector<std::thread> extra;
    for (int k = 1; k < threads; ++k)
        extra.emplace_back([] {
            for (;;)
                ::pause();
        });
    // Tell the starter that every thread is running.
    if (::write(STDOUT_FILENO, "r", 1) < 0)
        return 1;
    for (;;)
        ::pause();
}
