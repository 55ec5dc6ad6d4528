#include "ProcTable.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

template <typename Visit> int walk(Visit&& visit) {
    const int procFd = ::open("/proc", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (procFd < 0)
        throw std::runtime_error("cannot open /proc");
    alignas(dirent64) char entries[32768];
    char path[32];
    char stat[1024];
    int count = 0;
    for (;;) {
        // Straight to the system: the benchmark's getdents64 counts the program's listings
        // only (ProgramListings).
        const auto filled =
            static_cast<ssize_t>(::syscall(SYS_getdents64, procFd, entries, sizeof entries));
        if (filled <= 0)
            break;
        for (ssize_t offset = 0; offset < filled;) {
            const auto* entry = reinterpret_cast<const dirent64*>(entries + offset);
            offset += entry->d_reclen;
            if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
                continue;
            std::size_t length = std::strlen(entry->d_name);
            if (length + sizeof "/stat" > sizeof path)
                continue;
            std::memcpy(path, entry->d_name, length);
            std::memcpy(path + length, "/stat", sizeof "/stat");
            const int fd = ::openat(procFd, path, O_RDONLY | O_CLOEXEC);
            if (fd < 0)
                continue;
            const ssize_t got = ::read(fd, stat, sizeof stat);
            ::close(fd);
            if (got > 0) {
                ++count;
                visit(entry->d_name);
            }
        }
    }
    ::close(procFd);
    return count;
}

std::string runCapture(const char* const* argv, double* childCpu = nullptr) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    pid_t pid = 0;
    const int error =
        ::posix_spawnp(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string text;
    if (error == 0) {
        char buffer[65536];
        for (;;) {
            const ssize_t got = ::read(out[0], buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            text.append(buffer, static_cast<std::size_t>(got));
        }
        rusage usage{};
        while (::wait4(pid, nullptr, 0, &usage) < 0 && errno == EINTR) {
        }
        if (childCpu)
            *childCpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    }
    ::close(out[0]);
    if (error != 0)
        throw std::runtime_error(std::string("cannot start ") + argv[0]);
    return text;
}

// The number after key in a file of "key value" lines, or the file's one number for an
// empty key; -1 when there is none.
long long valueAfter(const std::string& path, const char* key) {
    std::FILE* file = std::fopen(path.c_str(), "r");
    if (!file)
        return -1;
    char line[256];
    long long value = -1;
    const std::size_t length = std::strlen(key);
    while (std::fgets(line, sizeof line, file)) {
        if (length == 0) { // a file of one number
            value = std::atoll(line);
            break;
        }
        if (std::strncmp(line, key, length) == 0 && (line[length] == ' ' || line[length] == ':')) {
            value = std::atoll(line + length + 1 + std::strspn(line + length + 1, " :\t"));
            break;
        }
    }
    std::fclose(file);
    return value;
}

// The memory cgroup's folder of this program: v2's ("0::/path"), else v1's memory one.
std::string memoryCgroup(bool& v2) {
    std::FILE* file = std::fopen("/proc/self/cgroup", "r");
    if (!file)
        return {};
    char line[512];
    std::string v1Path, v2Path;
    while (std::fgets(line, sizeof line, file)) {
        std::string text(line);
        text.erase(text.find_last_not_of('\n') + 1);
        if (text.rfind("0::", 0) == 0)
            v2Path = text.substr(3);
        const std::size_t memory = text.find(":memory:");
        if (memory != std::string::npos)
            v1Path = text.substr(memory + 8);
    }
    std::fclose(file);
    v2 = v1Path.empty();
    return v2 ? "/sys/fs/cgroup" + v2Path : "/sys/fs/cgroup/memory" + v1Path;
}

} // namespace

namespace ProcTable {

int floorWalk() {
    return walk([](const char*) {});
}

std::vector<int> floorIds() {
    std::vector<int> ids;
    walk([&](const char* name) { ids.push_back(std::atoi(name)); });
    return ids;
}

std::vector<int> psIds(double* childCpu) {
    static const char* const argv[] = {"ps", "-e", "-o", "pid=,nlwp=,comm=", nullptr};
    const std::string text = runCapture(argv, childCpu);
    std::vector<int> ids;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        ids.push_back(std::atoi(text.c_str() + start));
        start = end + 1;
    }
    return ids;
}

long long kernelMemoryBytes(std::string* source) {
    bool v2 = false;
    const std::string cgroup = memoryCgroup(v2);
    if (!cgroup.empty()) {
        const long long bytes = v2 ? valueAfter(cgroup + "/memory.stat", "kernel")
                                   : valueAfter(cgroup + "/memory.kmem.usage_in_bytes", "");
        if (bytes >= 0) {
            if (source)
                *source = v2 ? "cgroup-v2" : "cgroup-v1";
            return bytes;
        }
    }
    if (source)
        *source = "meminfo-slab";
    const long long kib = valueAfter("/proc/meminfo", "Slab");
    return kib < 0 ? -1 : kib * 1024;
}

int openStatFiles() {
    int count = 0;
    DIR* folder = ::opendir("/proc/self/fd");
    while (const dirent* entry = folder ? ::readdir(folder) : nullptr) {
        char target[64] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        int pid = 0;
        char leaf[8] = {};
        if (::readlink(link.c_str(), target, sizeof target - 1) > 0 &&
            std::sscanf(target, "/proc/%d/%7s", &pid, leaf) == 2 && std::strcmp(leaf, "stat") == 0)
            ++count;
    }
    if (folder)
        ::closedir(folder);
    return count;
}

std::string psVersion() {
    static const char* const argv[] = {"ps", "--version", nullptr};
    std::string text = runCapture(argv);
    const std::size_t end = text.find('\n');
    return end == std::string::npos ? text : text.substr(0, end);
}

} // namespace ProcTable
