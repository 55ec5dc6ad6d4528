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

bool LinuxStatFiles::Kept::before(const Kept& kept, std::int32_t pid) {
    return kept.pid < pid;
}

bool LinuxStatFiles::Kept::byPid(const Kept& a, const Kept& b) {
    return a.pid < b.pid;
}

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

void LinuxStatFiles::beginWalk() {
    read_.clear();
    cursor_ = 0;
}

LinuxStatFiles::Kept* LinuxStatFiles::find(std::int32_t pid) {
    // A walk in ascending order finds each file just after the last one found.
    while (cursor_ < files_.size() && files_[cursor_].pid < pid)
        ++cursor_;
    if (cursor_ < files_.size() && files_[cursor_].pid == pid)
        return &files_[cursor_];
    const auto found = std::lower_bound(files_.begin(), files_.end(), pid, Kept::before);
    return found != files_.end() && found->pid == pid ? &*found : nullptr;
}

ssize_t LinuxStatFiles::read(int procFd, std::int32_t pid, char* buffer, std::size_t size) {
    if (Kept* kept = find(pid); kept && kept->fd) {
        const ssize_t length = ::pread(kept->fd.get(), buffer, size, 0);
        if (length > 0) {
            read_.push_back({pid, std::move(kept->fd)});
            return length;
        }
        // Its process has ended; the id may already name another one.
        kept->fd.reset();
        --open_;
    }
    return readAfresh(procFd, pid, buffer, size);
}

ssize_t LinuxStatFiles::readAfresh(int procFd, std::int32_t pid, char* buffer, std::size_t size) {
    char path[32];
    LinuxProcFolder::processPath(path, pid, "stat");
    LinuxUniqueFd file(::openat(procFd, path, O_RDONLY | O_CLOEXEC));
    if (!file && (errno == EMFILE || errno == ENFILE) && open_ > 0) {
        // The program needs descriptors that the kept files hold: give one back for good.
        giveOneBack();
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
    if (open_ >= budget_)
        return;
    if (file.get() < lowestFd_) {
        file.reset(::fcntl(file.get(), F_DUPFD_CLOEXEC, lowestFd_));
        if (!file) {
            // No room up there: the files kept so far are all there will be.
            budget_ = open_;
            return;
        }
    }
    read_.push_back({pid, std::move(file)});
    ++open_;
}

// The last one of the last walk's still open, or else the last one this walk read.
void LinuxStatFiles::giveOneBack() {
    for (std::size_t k = files_.size(); k-- > cursor_;) {
        if (files_[k].fd) {
            files_[k].fd.reset();
            --open_;
            budget_ = open_;
            return;
        }
    }
    if (!read_.empty() && read_.back().fd) {
        read_.back().fd.reset();
        read_.pop_back();
        --open_;
    }
    budget_ = open_;
}

void LinuxStatFiles::endWalk() {
    // What is left open of the last walk's is of processes this walk did not meet.
    for (const Kept& kept : files_)
        open_ -= kept.fd ? 1 : 0;
    files_.swap(read_);
    read_.clear();
    if (!std::is_sorted(files_.begin(), files_.end(), Kept::byPid))
        std::sort(files_.begin(), files_.end(), Kept::byPid);
}

void LinuxStatFiles::clear() {
    files_.clear();
    read_.clear();
    open_ = 0;
}
