#include "LinuxOsLayer.h"

#include "LinuxChildReaper.h"
#include "ProcStat.h"
#include "app/ProgramEnd.h"

#include <QCoreApplication>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace {

constexpr std::size_t kShortNameLength = 15; // the kernel keeps 16 bytes, NUL included

// PF_KTHREAD: a kernel thread never has a command line.
constexpr std::uint64_t kKernelThread = 0x00200000;

constexpr std::uint64_t kFileTimeUnitsPerSecond = 10'000'000;

constexpr std::int32_t kErrorTooManyOpenFiles = 4; // ERROR_TOO_MANY_OPEN_FILES
constexpr std::int32_t kErrorGenFailure = 31;      // ERROR_GEN_FAILURE

// Linux 5.1 and later accept a process's /proc folder in place of a pidfd.
int pidfdSendSignal(int pidfd, int signal) {
#ifdef SYS_pidfd_send_signal
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0));
#else
    errno = ENOSYS;
    return -1;
#endif
}

// The unit of the times in /proc/PID/stat.
std::uint64_t clockTicksPerSecond() {
    static const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? static_cast<std::uint64_t>(ticks) : 100;
}

std::uint64_t ticksToFileTime(std::uint64_t ticks) {
    return ticks * kFileTimeUnitsPerSecond / clockTicksPerSecond();
}

// A process's start in /proc and the time that GetSystemTimeAsFileTime gives are both
// whole clock ticks of the boot-time clock, counted from the moment of boot as a time of
// day: one clock that never goes back, which reads like Windows' own times. The moment of
// boot is fixed once per program, so every layer compares alike.
std::uint64_t bootFileTime() {
    static const std::uint64_t boot = [] {
        timespec now{}, sinceBoot{};
        ::clock_gettime(CLOCK_REALTIME, &now);
        ::clock_gettime(CLOCK_BOOTTIME, &sinceBoot);
        constexpr std::uint64_t kUnixEpoch = 116'444'736'000'000'000; // 1970 counted from 1601
        const auto units = [](const timespec& time) {
            return static_cast<std::uint64_t>(time.tv_sec) * kFileTimeUnitsPerSecond +
                   static_cast<std::uint64_t>(time.tv_nsec) / 100;
        };
        return kUnixEpoch + units(now) - units(sinceBoot);
    }();
    return boot;
}

} // namespace

OsLayer& OsLayer::native() {
    static LinuxOsLayer layer;
    return layer;
}

LinuxOsLayer::LinuxOsLayer(std::string procRoot)
    : proc_(std::move(procRoot)), stats_(LinuxStatFiles::forThisProgram()) {
    // Its notifications come through the event loop, which needs an application.
    if (LinuxChildReaper::orphansComeHere() && QCoreApplication::instance())
        reaper_ = std::make_unique<LinuxChildReaper>(proc_.path());
}

LinuxOsLayer::~LinuxOsLayer() = default;

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

bool LinuxOsLayer::readEntry(std::int32_t pid, std::string_view line, Snapshot& snapshot) {
    ProcStat stat;
    // Where the program lies in memory, a third of the line, matters only for a name that
    // may be cut (LinuxNameCache).
    if (!parseProcStat(line, stat, StatFields::LayoutOfCutNames))
        return false;
    const bool mayBeCut = stat.comm.size() == kShortNameLength && (stat.flags & kKernelThread) == 0;

    std::string_view name = stat.comm;
    char cmdline[4096];
    if (mayBeCut) {
        const bool keep = layoutRandomized_ && LinuxNameCache::keepable(stat);
        const std::string* kept = keep ? names_.find(pid, stat) : nullptr;
        if (kept) {
            name = *kept;
        } else {
            char path[32];
            LinuxProcFolder::processPath(path, pid, "cmdline");
            const ssize_t cmdLength =
                LinuxProcFolder::readAt(proc_.fd(), path, cmdline, sizeof cmdline);
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
    name = name.substr(0, std::min<std::size_t>(name.size(), basDeclares::MAX_PATH - 1));

    Entry& entry = snapshot.entries.emplace_back();
    entry.pid = pid;
    entry.ppid = static_cast<std::int32_t>(stat.ppid);
    entry.threads = static_cast<std::int32_t>(stat.threads);
    entry.priority = basePriority(stat.nice, stat.policy);
    entry.nameAt = static_cast<std::uint32_t>(snapshot.names.size());
    entry.nameLength = static_cast<std::uint16_t>(name.size());
    snapshot.names.append(name);
    return true;
}

// Its view of the program's own status gives the program one id, the one it knows itself
// by, only when it numbers processes as the program's namespace does: NSpid lists an id
// for each namespace from the /proc's own down to the program's.
bool LinuxOsLayer::procIsOurNamespace() {
    if (!ourNamespace_) {
        const std::vector<std::int32_t> ids =
            LinuxProcFolder::namespaceIds(proc_.fd(), "self/status");
        ourNamespace_ = ids.size() == 1 && ids.front() == static_cast<std::int32_t>(::getpid());
    }
    return *ourNamespace_;
}

// loadavg ends with the last id handed out in the reader's own pid namespace.
std::optional<std::int64_t> LinuxOsLayer::readLastIdHandedOut() {
    if (!procIsOurNamespace())
        return std::nullopt;
    char text[128];
    const ssize_t length = proc_.readOften("loadavg", text, sizeof text);
    if (length <= 0)
        return std::nullopt;
    std::string_view line(text, static_cast<std::size_t>(length));
    while (!line.empty() && (line.back() == '\n' || line.back() == ' '))
        line.remove_suffix(1);
    const std::size_t space = line.rfind(' ');
    std::int32_t id = 0;
    if (space == std::string_view::npos ||
        !LinuxProcFolder::parseId(std::string(line.substr(space + 1)).c_str(), id))
        return std::nullopt;
    return id;
}

bool LinuxOsLayer::readProcessTable(Snapshot& snapshot) {
    if (proc_.fd() < 0) {
        stats_.clear();
        listedAfter_.reset();
        ourNamespace_.reset();
        return false;
    }
    layoutRandomized_ = readLayoutRandomized();
    names_.beginWalk();
    stats_.beginWalk();
    // Every process and thread takes a new id. While the last id handed out is the one
    // read before the last listing, no process has been started since: the processes are
    // those listed then, less the ones that have ended since, whose stat files now fail to
    // read, and the folder need not be listed again. (Ids wrap around at pid_max, so an id
    // could come back only after as many processes and threads as pid_max, some 30,000 at
    // the least, had started between two refreshes.)
    const std::optional<std::int64_t> started = readLastIdHandedOut();
    bool listed = true;
    toRead_.clear();
    if (started && started == listedAfter_) {
        toRead_.swap(listed_);
    } else {
        listed = proc_.forEachProcessId([&](std::int32_t pid) { toRead_.push_back(pid); });
        listedAfter_ = listed ? started : std::nullopt;
    }
    listed_.clear();
    if (listed)
        readStatFiles(snapshot);
    if (listed) {
        names_.endWalk();
        stats_.endWalk();
    } else {
        stats_.clear();
        listed_.clear();
        ourNamespace_.reset();
    }
    return listed;
}

void LinuxOsLayer::readStatFiles(Snapshot& snapshot) {
    char line[1024]; // a stat line is some 300 bytes
    for (const std::int32_t pid : toRead_) {
        const ssize_t length = stats_.read(proc_.fd(), pid, line, sizeof line);
        // A process whose stat file cannot be read has ended since it was listed.
        if (length > 0 &&
            readEntry(pid, std::string_view(line, static_cast<std::size_t>(length)), snapshot))
            listed_.push_back(pid);
    }
}

bool LinuxOsLayer::readLayoutRandomized() {
    char value[8];
    const ssize_t length = proc_.readOften("sys/kernel/randomize_va_space", value, sizeof value);
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
    std::unique_ptr<Snapshot> snapshot = spare_ ? std::move(spare_) : std::make_unique<Snapshot>();
    snapshot->entries.clear();
    snapshot->names.clear();
    snapshot->next = 0;
    if (!readProcessTable(*snapshot)) {
        spare_ = std::move(snapshot);
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
    std::memcpy(lppe.szExeFile, snapshot.names.data() + entry.nameAt, entry.nameLength);
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
    if (found->second.snapshot)
        spare_ = std::move(found->second.snapshot);
    handles_.erase(found);
    return 1;
}

LinuxOsLayer::ProcessHandle* LinuxOsLayer::processHandle(HANDLE hProcess) {
    const auto found = handles_.find(hProcess);
    return found == handles_.end() ? nullptr : found->second.process.get();
}

// The handle is the process's folder in the /proc the list was read from: it goes on
// naming that one process when its id is given to another, and it names a process of that
// /proc's pid namespace, whatever ours is.
OsLayer::HANDLE LinuxOsLayer::OpenProcess(std::int32_t dwDesiredAccess, std::int32_t,
                                          std::int32_t dwProcessId) {
    if (dwProcessId <= 0 || proc_.fd() < 0)
        return refuseOpening(ESRCH);
    char name[32];
    LinuxProcFolder::processPath(name, dwProcessId);
    auto process = std::make_unique<ProcessHandle>();
    process->folder.reset(::openat(proc_.fd(), name, O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!process->folder)
        return refuseOpening(errno); // no such process, or hidden from us (hidepid)
    process->pid = dwProcessId;
    // Our own process is the one that this /proc calls "self", whatever id our own pid
    // namespace gives it.
    const std::int32_t self = proc_.selfId();
    process->self = self == dwProcessId;
    process->idIsOurs = self != 0 && self == static_cast<std::int32_t>(::getpid());
    if ((dwDesiredAccess & basDeclares::PROCESS_TERMINATE) != 0) {
        // As Windows denies a handle with a right the caller lacks: a process this user may
        // not signal (EPERM), or one of a pid namespace that is not ours or below it
        // (EINVAL), cannot be opened to be ended.
        if (pidfdSendSignal(process->folder.get(), 0) != 0) {
            if (errno != ENOSYS)
                return refuseOpening(errno == EINVAL ? EPERM : errno);
            if (!process->idIsOurs)
                return refuseOpening(EPERM);
            if (::kill(dwProcessId, 0) != 0)
                return refuseOpening(errno);
        }
    }
    Object object;
    object.process = std::move(process);
    return addObject(std::move(object));
}

// Windows' reasons: the process is there but may not be opened so (EPERM, and EACCES where
// the /proc folder is closed to us), or there is no such process.
OsLayer::HANDLE LinuxOsLayer::refuseOpening(int error) {
    switch (error) {
    case EPERM:
    case EACCES:
        lastError_ = basDeclares::ERROR_ACCESS_DENIED;
        break;
    case ESRCH:
    case ENOENT:
        lastError_ = basDeclares::ERROR_INVALID_PARAMETER;
        break;
    case EMFILE:
    case ENFILE:
        lastError_ = kErrorTooManyOpenFiles;
        break;
    default:
        lastError_ = kErrorGenFailure;
    }
    return 0;
}

std::int32_t LinuxOsLayer::TerminateProcess(HANDLE hProcess, std::int32_t uExitCode) {
    const ProcessHandle* process = processHandle(hProcess);
    if (!process)
        return 0;
    if (process->self) {
        EndProgram(uExitCode);
        return 1;
    }
    if (pidfdSendSignal(process->folder.get(), SIGKILL) == 0)
        return 1;
    if (errno != ENOSYS || !process->idIsOurs)
        return 0;
    // Before Linux 5.1 a signal goes by id: send it only while the folder still shows a
    // running process, which leaves the moment between this read and the signal.
    char stat[512];
    if (LinuxProcFolder::readAt(process->folder.get(), "stat", stat, sizeof stat) <= 0)
        return 0;
    return ::kill(process->pid, SIGKILL) == 0 ? 1 : 0;
}

std::int32_t LinuxOsLayer::GetProcessTimes(HANDLE hProcess, basDeclares::FILETIME& lpCreationTime,
                                           basDeclares::FILETIME& lpExitTime,
                                           basDeclares::FILETIME& lpKernelTime,
                                           basDeclares::FILETIME& lpUserTime) {
    const ProcessHandle* process = processHandle(hProcess);
    if (!process)
        return 0;
    char buffer[1024];
    const ssize_t length =
        LinuxProcFolder::readAt(process->folder.get(), "stat", buffer, sizeof buffer);
    ProcStat stat;
    if (length <= 0 ||
        !parseProcStat(std::string_view(buffer, static_cast<std::size_t>(length)), stat))
        return 0; // the process is gone, and with it the folder's contents
    lpCreationTime = basDeclares::ToFileTime(bootFileTime() + ticksToFileTime(stat.startTime));
    lpExitTime = basDeclares::ToFileTime(0); // Linux keeps no time of exit
    lpKernelTime = basDeclares::ToFileTime(ticksToFileTime(stat.kernelTime));
    lpUserTime = basDeclares::ToFileTime(ticksToFileTime(stat.userTime));
    return 1;
}

void LinuxOsLayer::GetSystemTimeAsFileTime(basDeclares::FILETIME& lpSystemTimeAsFileTime) {
    timespec sinceBoot{};
    ::clock_gettime(CLOCK_BOOTTIME, &sinceBoot);
    // Cut to whole ticks as the kernel cuts a process's start.
    const std::uint64_t ticks =
        static_cast<std::uint64_t>(sinceBoot.tv_sec) * clockTicksPerSecond() +
        static_cast<std::uint64_t>(sinceBoot.tv_nsec) * clockTicksPerSecond() / 1'000'000'000;
    lpSystemTimeAsFileTime = basDeclares::ToFileTime(bootFileTime() + ticksToFileTime(ticks));
}
