#include "LinuxStatFiles.h"

#include "LinuxFileLimit.h"
#include "LinuxProcFolder.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <dirent.h>
#include <fcntl.h>

namespace {

// More than the ids a system hands out by default (pid_max 4,194,304 is rare); past this
// the plain reads cost no more than the files would keep in the kernel.
constexpr std::size_t kMostKept = 65536;

std::size_t openDescriptors() {
    std::size_t count = 0;
    if (DIR* folder = ::opendir("/proc/self/fd")) {
        while (const dirent* entry = ::readdir(folder))
            count += entry->d_name[0] != '.';
        ::closedir(folder);
    }
    return count;
}

} // namespace

LinuxStatFiles::LinuxStatFiles(std::size_t budget, int lowestFd)
    : budget_(budget), lowestFd_(lowestFd) {}

LinuxStatFiles LinuxStatFiles::forThisProgram() {
    LinuxFileLimit::raise();
    const auto limit = [](rlim_t value) {
        return static_cast<std::size_t>(std::min<rlim_t>(value, INT_MAX));
    };
    const std::size_t started = limit(LinuxFileLimit::original());
    const std::size_t now = limit(LinuxFileLimit::current());
    if (now > started + 64) {
        // An eighth of the new room stays free for whatever else wants it.
        const std::size_t room = now - started;
        return LinuxStatFiles(std::min(room - room / 8, kMostKept), static_cast<int>(started));
    }
    const std::size_t free = now - std::min(now, openDescriptors());
    return LinuxStatFiles(std::min(free / 2, kMostKept), 0);
}

ssize_t LinuxStatFiles::read(int procFd, std::int32_t pid, char* buffer, std::size_t size) {
    const auto found = files_.find(pid);
    if (found != files_.end()) {
        const ssize_t length = ::pread(found->second.fd.get(), buffer, size, 0);
        if (length > 0) {
            found->second.walk = walk_;
            return length;
        }
        // Its process has ended; the id may already name another one.
        files_.erase(found);
    }
    return readAfresh(procFd, pid, buffer, size);
}

ssize_t LinuxStatFiles::readAfresh(int procFd, std::int32_t pid, char* buffer, std::size_t size) {
    char path[32];
    LinuxProcFolder::processPath(path, pid, "stat");
    LinuxUniqueFd file(::openat(procFd, path, O_RDONLY | O_CLOEXEC));
    if (!file && (errno == EMFILE || errno == ENFILE) && !files_.empty()) {
        // The program needs descriptors that the kept files hold: give one back for good.
        files_.erase(files_.begin());
        budget_ = files_.size();
        file.reset(::openat(procFd, path, O_RDONLY | O_CLOEXEC));
    }
    if (!file)
        return -1;
    const ssize_t length = ::read(file.get(), buffer, size);
    if (length <= 0)
        return -1;
    keep(pid, std::move(file));
    return length;
}

void LinuxStatFiles::keep(std::int32_t pid, LinuxUniqueFd file) {
    if (files_.size() >= budget_)
        return;
    if (file.get() < lowestFd_) {
        file.reset(::fcntl(file.get(), F_DUPFD_CLOEXEC, lowestFd_));
        if (!file) {
            // No room up there: the files kept so far are all there will be.
            budget_ = files_.size();
            return;
        }
    }
    Kept& kept = files_[pid];
    kept.fd = std::move(file);
    kept.walk = walk_;
}

void LinuxStatFiles::endWalk() {
    std::erase_if(files_, [this](const auto& item) { return item.second.walk != walk_; });
}
