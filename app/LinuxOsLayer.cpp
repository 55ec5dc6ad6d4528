#include "LinuxOsLayer.h"

#include "ProcStat.h"
#include "ProgramEnd.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::size_t kShortNameLength = 15; // the kernel keeps 16 bytes, NUL included

// PF_KTHREAD: a kernel thread never has a command line.
constexpr std::uint64_t kKernelThread = 0x00200000;

// Reads a small /proc file in one read: everything these files hold fits the buffer.
ssize_t readAt(int dirFd, const char* path, char* buffer, std::size_t size) {
    const int fd = ::openat(dirFd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    const ssize_t length = ::read(fd, buffer, size);
    ::close(fd);
    return length;
}

// "PID/leaf" into buffer, which must hold 32 bytes.
void procPath(char* buffer, std::int32_t pid, const char* leaf) {
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
    *out++ = '/';
    std::strcpy(out, leaf);
}

bool parsePid(const char* name, std::int32_t& pid) {
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

int pidfdOpen(std::int32_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

int pidfdSendSignal(int pidfd, int signal) {
#ifdef SYS_pidfd_send_signal
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

} // namespace

OsLayer& OsLayer::native() {
    static LinuxOsLayer layer;
    return layer;
}

LinuxOsLayer::LinuxOsLayer(std::string procRoot) : procRoot_(std::move(procRoot)) {}

LinuxOsLayer::~LinuxOsLayer() {
    for (auto& [handle, object] : handles_)
        if (object.process && object.process->pidfd >= 0)
            ::close(object.process->pidfd);
    if (procFd_ >= 0)
        ::close(procFd_);
}

std::int32_t LinuxOsLayer::basePriority(std::int64_t nice, std::int64_t policy) {
    if (policy == 1 || policy == 2) // SCHED_FIFO, SCHED_RR
        return 24;                  // REALTIME_PRIORITY_CLASS
    if (nice >= 15)
        return 4; // IDLE_PRIORITY_CLASS
    if (nice > 0)
        return 6; // BELOW_NORMAL_PRIORITY_CLASS
    if (nice == 0)
        return 8; // NORMAL_PRIORITY_CLASS
    if (nice >= -10)
        return 10; // ABOVE_NORMAL_PRIORITY_CLASS
    return 13;     // HIGH_PRIORITY_CLASS
}

bool LinuxOsLayer::readEntry(std::int32_t pid, Entry& entry) {
    char path[32];
    char buffer[1024];
    procPath(path, pid, "stat");
    const ssize_t length = readAt(procFd_, path, buffer, sizeof buffer);
    if (length <= 0)
        return false; // gone between the listing and the read (ENOENT, ESRCH)
    ProcStat stat;
    if (!parseProcStat(std::string_view(buffer, static_cast<std::size_t>(length)), stat))
        return false;

    std::string_view name = stat.comm;
    char cmdline[4096];
    if (name.size() == kShortNameLength && (stat.flags & kKernelThread) == 0) {
        const bool keep = layoutRandomized_ && LinuxNameCache::keepable(stat);
        const std::string* kept = keep ? names_.find(pid, stat) : nullptr;
        if (kept) {
            name = *kept;
        } else {
            procPath(path, pid, "cmdline");
            const ssize_t cmdLength = readAt(procFd_, path, cmdline, sizeof cmdline);
            if (cmdLength > 0) {
                const std::string_view full = exeNameFromCmdline(
                    stat.comm, std::string_view(cmdline, static_cast<std::size_t>(cmdLength)));
                if (!full.empty())
                    name = full;
            }
            if (keep)
                names_.store(pid, stat, name);
        }
    }
    name = name.substr(0, std::min(name.size(), sizeof entry.name - 1));

    entry.pid = pid;
    entry.ppid = static_cast<std::int32_t>(stat.ppid);
    entry.threads = static_cast<std::int32_t>(stat.threads);
    entry.priority = basePriority(stat.nice, stat.policy);
    entry.nameLength = static_cast<std::uint16_t>(name.size());
    std::memcpy(entry.name, name.data(), name.size());
    return true;
}

bool LinuxOsLayer::readProcessTable(std::vector<Entry>& entries) {
    if (procFd_ < 0) {
        procFd_ = ::open(procRoot_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (procFd_ < 0)
            return false;
    }
    // A folder that failed is opened anew next time, so the table comes back with it.
    const auto fail = [this] {
        ::close(procFd_);
        procFd_ = -1;
        return false;
    };
    if (::lseek(procFd_, 0, SEEK_SET) < 0)
        return fail();
    layoutRandomized_ = readLayoutRandomized();
    names_.beginWalk();

    alignas(dirent64) char buffer[32768];
    for (;;) {
        const ssize_t length = ::getdents64(procFd_, buffer, sizeof buffer);
        if (length < 0)
            return fail();
        if (length == 0)
            break;
        for (ssize_t offset = 0; offset < length;) {
            const auto* item = reinterpret_cast<const dirent64*>(buffer + offset);
            offset += item->d_reclen;
            std::int32_t pid = 0;
            if (!parsePid(item->d_name, pid))
                continue;
            entries.emplace_back();
            if (!readEntry(pid, entries.back()))
                entries.pop_back();
        }
    }
    names_.endWalk();
    return true;
}

bool LinuxOsLayer::readLayoutRandomized() {
    char value[8];
    const ssize_t length = readAt(procFd_, "sys/kernel/randomize_va_space", value, sizeof value);
    return length > 0 && value[0] != '0';
}

OsLayer::HANDLE LinuxOsLayer::addObject(Object object) {
    const HANDLE handle = nextHandle_;
    nextHandle_ += 4;
    handles_.emplace(handle, std::move(object));
    return handle;
}

OsLayer::HANDLE LinuxOsLayer::CreateToolhelp32Snapshot(std::int32_t dwFlags, std::int32_t) {
    if ((dwFlags & basDeclares::TH32CS_SNAPPROCESS) == 0)
        return basDeclares::INVALID_HANDLE_VALUE;
    auto snapshot = std::make_unique<Snapshot>();
    snapshot->entries.swap(spare_);
    snapshot->entries.clear();
    if (!readProcessTable(snapshot->entries)) {
        snapshot->entries.swap(spare_);
        return basDeclares::INVALID_HANDLE_VALUE;
    }
    Object object;
    object.snapshot = std::move(snapshot);
    return addObject(std::move(object));
}

std::int32_t LinuxOsLayer::deliver(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe,
                                   bool first) {
    const auto found = handles_.find(hSnapshot);
    if (found == handles_.end() || !found->second.snapshot)
        return 0;
    if (lppe.dwSize != static_cast<std::int32_t>(sizeof(basDeclares::PROCESSENTRY32)))
        return 0;
    Snapshot& snapshot = *found->second.snapshot;
    if (first)
        snapshot.next = 0;
    if (snapshot.next >= snapshot.entries.size())
        return 0;
    const Entry& entry = snapshot.entries[snapshot.next++];
    lppe.cntUsage = 0;
    lppe.th32ProcessID = entry.pid;
    lppe.th32DefaultHeapID = 0;
    lppe.th32ModuleID = 0;
    lppe.cntThreads = entry.threads;
    lppe.th32ParentProcessID = entry.ppid;
    lppe.pcPriClassBase = entry.priority;
    lppe.dwFlags = 0;
    // Like the system, only the name and its NUL are written; the rest of the buffer
    // keeps what it held.
    std::memcpy(lppe.szExeFile, entry.name, entry.nameLength);
    lppe.szExeFile[entry.nameLength] = '\0';
    return 1;
}

std::int32_t LinuxOsLayer::Process32First(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) {
    return deliver(hSnapshot, lppe, true);
}

std::int32_t LinuxOsLayer::Process32Next(HANDLE hSnapshot, basDeclares::PROCESSENTRY32& lppe) {
    return deliver(hSnapshot, lppe, false);
}

std::int32_t LinuxOsLayer::CloseHandle(HANDLE hObject) {
    const auto found = handles_.find(hObject);
    if (found == handles_.end())
        return 0;
    Object& object = found->second;
    if (object.snapshot) {
        spare_.swap(object.snapshot->entries);
    } else if (object.process && object.process->pidfd >= 0) {
        ::close(object.process->pidfd);
    }
    handles_.erase(found);
    return 1;
}

OsLayer::HANDLE LinuxOsLayer::OpenProcess(std::int32_t, std::int32_t, std::int32_t dwProcessId) {
    if (dwProcessId <= 0)
        return 0;
    // The pidfd keeps naming this process even if its id is given to another later.
    // Kernels before 5.3 have none; there the handle holds the bare id.
    const int pidfd = pidfdOpen(dwProcessId);
    if (pidfd < 0) {
        if (errno != ENOSYS || ::kill(dwProcessId, 0) != 0)
            return 0;
    } else if (pidfdSendSignal(pidfd, 0) != 0) { // gone, or not ours to signal
        ::close(pidfd);
        return 0;
    }
    Object object;
    object.process = std::make_unique<ProcessHandle>();
    object.process->pid = dwProcessId;
    object.process->pidfd = pidfd;
    return addObject(std::move(object));
}

std::int32_t LinuxOsLayer::TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) {
    const auto found = handles_.find(hProcess);
    if (found == handles_.end() || !found->second.process)
        return 0;
    const ProcessHandle& process = *found->second.process;
    if (process.pid == static_cast<std::int32_t>(::getpid())) {
        EndProgram(uExitCode);
        return 1;
    }
    if (process.pidfd < 0)
        return ::kill(process.pid, SIGKILL) == 0 ? 1 : 0;
    return pidfdSendSignal(process.pidfd, SIGKILL) == 0 ? 1 : 0;
}
