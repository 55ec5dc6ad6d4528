#pragma once

#include <cstdint>
#include <cstdio>
#include <dirent.h>
#include <map>
#include <string>
#include <unistd.h>

// How many of this program's descriptors are open on each process's /proc/PID/stat, by
// process id: the stat files the Linux layers keep, seen as the system has them.
inline std::map<std::int32_t, int> openStatFiles() {
    std::map<std::int32_t, int> files;
    DIR* folder = ::opendir("/proc/self/fd");
    while (const dirent* entry = folder ? ::readdir(folder) : nullptr) {
        char target[64] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        if (::readlink(link.c_str(), target, sizeof target - 1) <= 0)
            continue;
        int pid = 0;
        char leaf[8] = {};
        if (std::sscanf(target, "/proc/%d/%7s", &pid, leaf) == 2 && std::string(leaf) == "stat")
            ++files[pid];
    }
    if (folder)
        ::closedir(folder);
    return files;
}

// The stat files opened since `before` was taken, by process id: those of a layer made
// after it, whatever files other layers of the program keep.
inline std::map<std::int32_t, int> statFilesOpenedSince(const std::map<std::int32_t, int>& before) {
    std::map<std::int32_t, int> opened;
    for (const auto& [pid, count] : openStatFiles()) {
        const auto kept = before.find(pid);
        const int more = count - (kept == before.end() ? 0 : kept->second);
        if (more > 0)
            opened[pid] = more;
    }
    return opened;
}

// How many stat files those are in all.
inline int statFileCount(const std::map<std::int32_t, int>& files) {
    int count = 0;
    for (const auto& entry : files)
        count += entry.second;
    return count;
}
