#include "LinuxProcFolder.h"

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <string_view>

LinuxProcFolder::LinuxProcFolder(std::string path) : path_(std::move(path)) {}

int LinuxProcFolder::fd() {
    if (!fd_)
        fd_.reset(::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    return fd_.get();
}

bool LinuxProcFolder::forEachProcessId(const std::function<void(std::int32_t)>& visit) {
    if (fd() < 0)
        return false;
    if (::lseek(fd_.get(), 0, SEEK_SET) < 0) {
        reset();
        return false;
    }
    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t length = ::getdents64(fd_.get(), buffer, sizeof buffer);
        if (length < 0) {
            reset();
            return false;
        }
        if (length == 0)
            return true;
        for (ssize_t offset = 0; offset < length;) {
            const auto* item = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += item->d_reclen;
            std::int32_t pid = 0;
            if (parseId(item->d_name, pid))
                visit(pid);
        }
    }
}

std::int32_t LinuxProcFolder::selfId() {
    char link[16];
    const ssize_t length = fd() < 0 ? -1 : ::readlinkat(fd_.get(), "self", link, sizeof link - 1);
    if (length <= 0)
        return 0;
    link[length] = '\0';
    std::int32_t pid = 0;
    return parseId(link, pid) ? pid : 0;
}

ssize_t LinuxProcFolder::readOften(const char* path, char* buffer, std::size_t size) {
    if (fd() < 0)
        return -1;
    auto found = often_.find(std::string_view(path));
    if (found == often_.end()) {
        LinuxUniqueFd file(::openat(fd_.get(), path, O_RDONLY | O_CLOEXEC));
        if (!file)
            return -1;
        found = often_.emplace(path, std::move(file)).first;
    }
    const ssize_t length = ::pread(found->second.get(), buffer, size, 0);
    if (length < 0)
        often_.erase(found); // opened anew next time
    return length;
}

void LinuxProcFolder::reset() {
    often_.clear();
    fd_.reset();
}

ssize_t LinuxProcFolder::readAt(int dirFd, const char* path, char* buffer, std::size_t size) {
    const LinuxUniqueFd file(::openat(dirFd, path, O_RDONLY | O_CLOEXEC));
    if (!file)
        return -1;
    return ::read(file.get(), buffer, size);
}

void LinuxProcFolder::processPath(char* buffer, std::int32_t pid, const char* leaf) {
    char digits[12];
    int count = 0;
    auto value = static_cast<std::uint32_t>(pid);
    do {
        digits[count++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    char* out = buffer;
    while (count > 0)
        *out++ = digits[--count];
    *out = '\0';
    if (leaf) {
        *out++ = '/';
        std::strcpy(out, leaf);
    }
}

bool LinuxProcFolder::parseId(const char* name, std::int32_t& pid) {
    if (*name == '\0')
        return false;
    std::int64_t value = 0;
    for (const char* c = name; *c != '\0'; ++c) {
        if (*c < '0' || *c > '9')
            return false;
        value = value * 10 + (*c - '0');
        if (value > INT32_MAX)
            return false;
    }
    pid = static_cast<std::int32_t>(value);
    return true;
}

std::vector<std::int32_t> LinuxProcFolder::namespaceIds(int procFd, const char* statusPath) {
    char buffer[4096];
    const ssize_t length = readAt(procFd, statusPath, buffer, sizeof buffer);
    std::vector<std::int32_t> ids;
    if (length <= 0)
        return ids;
    const std::string_view status(buffer, static_cast<std::size_t>(length));
    const std::size_t line = status.find("\nNSpid:");
    if (line == std::string_view::npos)
        return ids;
    std::int32_t id = -1;
    for (std::size_t at = line + 7; at < status.size() && status[at] != '\n'; ++at) {
        const char c = status[at];
        if (c >= '0' && c <= '9') {
            id = (id < 0 ? 0 : id * 10) + (c - '0');
        } else if (id >= 0) {
            ids.push_back(id);
            id = -1;
        }
    }
    if (id >= 0)
        ids.push_back(id);
    return ids;
}
