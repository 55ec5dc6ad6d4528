// One idle process of the benchmark's table: says it is ready and waits to be ended. It
// ends with the benchmark, however that ends.
#include <csignal>
#include <cstdlib>
#include <sys/prctl.h>
#include <unistd.h>

int main(int argc, char* argv[]) {
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The benchmark may have died before the line above took effect.
    if (argc < 2 || ::getppid() != static_cast<pid_t>(std::atol(argv[1])))
        return 0;
    if (::write(STDOUT_FILENO, "r", 1) != 1)
        return 0;
    ::close(STDOUT_FILENO);
    for (;;)
        ::pause();
}
