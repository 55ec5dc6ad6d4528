#include "ProgramListings.h"

#include <atomic>
#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {
std::atomic<std::size_t> listingsRead{0};
} // namespace

// Linked ahead of the C library's, so the program's calls come here: the same system call,
// and a count of the listings it finished.
extern "C" ssize_t getdents64(int fd, void* buffer, size_t length) noexcept {
    const auto filled = static_cast<ssize_t>(::syscall(SYS_getdents64, fd, buffer, length));
    if (filled == 0)
        listingsRead.fetch_add(1, std::memory_order_relaxed);
    return filled;
}

namespace ProgramListings {

std::size_t count() {
    return listingsRead.load(std::memory_order_relaxed);
}

} // namespace ProgramListings
