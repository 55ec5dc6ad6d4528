#pragma once

#include <unistd.h>
#include <utility>

// Owns a file descriptor and closes it when it goes. Negative is no descriptor.
class LinuxUniqueFd {
public:
    LinuxUniqueFd() = default;
    explicit LinuxUniqueFd(int fd) : fd_(fd) {}
    ~LinuxUniqueFd() { reset(); }
    LinuxUniqueFd(LinuxUniqueFd&& other) noexcept : fd_(other.release()) {}
    LinuxUniqueFd& operator=(LinuxUniqueFd&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    LinuxUniqueFd(const LinuxUniqueFd&) = delete;
    LinuxUniqueFd& operator=(const LinuxUniqueFd&) = delete;

    int get() const { return fd_; }
    explicit operator bool() const { return fd_ >= 0; }
    int release() { return std::exchange(fd_, -1); }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_ = -1;
};
