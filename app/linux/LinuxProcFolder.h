#pragma once

#include "LinuxUniqueFd.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <sys/types.h>
#include <vector>

// One /proc, opened once and read relative to its descriptor. The list, the check of a
// process and the signal that ends it all go through the same folder, so they all see
// the processes of one pid namespace under the same ids.
class LinuxProcFolder {
public:
    explicit LinuxProcFolder(std::string path);

    const std::string& path() const { return path_; }
    // The folder's descriptor, opened at first use; -1 while it cannot be opened.
    int fd();
    // Calls visit with every process id the folder lists, in its order. False when the
    // listing failed: the folder is then opened anew at its next use, so a /proc that
    // comes back is read again.
    bool forEachProcessId(const std::function<void(std::int32_t)>& visit);
    // The id this /proc gives the calling process (its "self" link); 0 where it shows
    // none, as a /proc of a pid namespace below ours does.
    std::int32_t selfId();
    // Reads a small file of this /proc that is read again and again (loadavg), through a
    // descriptor kept open for it: one system call. -1 when it cannot be read.
    ssize_t readOften(const char* path, char* buffer, std::size_t size);

    // Reads a small file below dirFd in one read: what such /proc files hold fits the
    // buffer. -1 when it cannot be read (ENOENT, ESRCH: the process is gone).
    static ssize_t readAt(int dirFd, const char* path, char* buffer, std::size_t size);
    // "ID", or "ID/leaf" when a leaf is given, into buffer, which must hold 32 bytes.
    static void processPath(char* buffer, std::int32_t pid, const char* leaf = nullptr);
    // The ids a process has in each pid namespace from the one of the /proc at procFd down
    // to its own (the NSpid line of its status at statusPath); empty where the kernel does
    // not tell (before 4.1).
    static std::vector<std::int32_t> namespaceIds(int procFd, const char* statusPath);
    // A folder name that is a process id.
    static bool parseId(const char* name, std::int32_t& pid);

private:
    void reset();

    std::string path_;
    LinuxUniqueFd fd_;
    std::map<std::string, LinuxUniqueFd, std::less<>> often_; // opened below fd_
};
