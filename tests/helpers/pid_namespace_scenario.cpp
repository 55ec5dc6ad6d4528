// Runs one scenario of the program in a pid and mount namespace of its own, with /proc
// mounted for it, where ids can be forced (ns_last_pid) and /proc mounted at will:
//   pid_namespace_scenario hidepid | reuse | other-user | outer-proc | reap-as-init |
//                          reap-as-subreaper | descriptors
// Prints one line per check, "ok: ..." or "FAIL: ...", and exits 0 when every check held,
// 77 (after "skip: why") where such a namespace cannot be made. Everything it starts ends
// with it: its first process in the namespace is process 1 there, whose end ends them all.
#include "ChildProcess.h"
#include "RowOf.h"
#include "app/ProgramEnd.h"
#include "app/linux/LinuxFileLimit.h"
#include "app/linux/LinuxOsLayer.h"
#include "app/linux/ProcStat.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QDesktopServices>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <memory>
#include <sched.h>
#include <set>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kSkipped = 77;
constexpr uid_t kNobody = 65534;

int failures = 0;

void report(bool held, const std::string& what) {
    std::printf("%s: %s\n", held ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    failures += held ? 0 : 1;
}

// Notes the soft limit on open files at the moment an address is opened.
class LimitAtOpening : public QObject {
    Q_OBJECT
public:
    rlim_t seen = 0;

public slots:
    void open(const QUrl&) { seen = LinuxFileLimit::current(); }
};

[[noreturn]] void skip(const char* why) {
    std::printf("skip: %s: %s\n", why, std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(kSkipped);
}

// Once the first process of the pid namespace that the caller's children go to has ended,
// no process or thread can be started there, not even the leak checker's at exit.
[[noreturn]] void endWithoutChildren(int status) {
    std::fflush(stdout);
    std::_Exit(status);
}

int waitForExit(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

bool endedByKill(int status) {
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

// Whether a child's end came from SIGTERM, sent to it now: a SIGKILL sent before, even one
// still on its way, wins over any later signal.
bool ranOn(pid_t child) {
    ::kill(child, SIGTERM);
    return waitForExit(child) == 128 + SIGTERM;
}

bool ranOn(ChildProcess& child) {
    ::kill(child.pid(), SIGTERM);
    const int status = child.reap();
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM;
}

void becomeNobody() {
    if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
        skip("cannot become an ordinary user");
    // A change of user leaves the process hidden from that user under hidepid; the
    // program must see its own children there, as a user's program would.
    ::prctl(PR_SET_DUMPABLE, 1);
}

// The ids of the running processes whose parent is the caller, as /proc numbers them.
std::set<std::int32_t> childrenOfSelf() {
    char link[16] = {};
    if (::readlink("/proc/self", link, sizeof link - 1) <= 0)
        return {};
    const std::int64_t self = std::atoll(link);
    std::set<std::int32_t> children;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream file(entry.path() / "stat");
        const std::string line((std::istreambuf_iterator<char>(file)),
                               std::istreambuf_iterator<char>());
        ProcStat stat;
        if (parseProcStat(line, stat) && stat.ppid == self)
            children.insert(std::stoi(name));
    }
    return children;
}

std::unique_ptr<QApplication> application() {
    static int argc = 1;
    static char name[] = "pid_namespace_scenario";
    static char* argv[] = {name, nullptr};
    return std::make_unique<QApplication>(argc, argv);
}

// Programs started where orphans come to the caller are reaped once they end; a child
// that the caller waits for itself, and one of Qt's, keep their exit status for them.
void checkReaping(OsLayer& os, std::size_t otherChildren) {
    ChildProcess waited(1, "korvanta-waited");
    ::kill(waited.pid(), SIGKILL);
    siginfo_t info{};
    ::waitid(P_PID, static_cast<id_t>(waited.pid()), &info, WEXITED | WNOWAIT);
    for (int run = 0; run < 3; ++run)
        report(os.StartCommandLine("true", 1), "true started");
    const bool reaped =
        QTest::qWaitFor([&] { return childrenOfSelf().size() == otherChildren + 1; }, 10000);
    report(reaped, "the three programs started were reaped once they ended");
    report(endedByKill(waited.reap()), "a child that its maker waits for keeps its exit status");

    QProcess shell;
    QSignalSpy finished(&shell, &QProcess::finished);
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("exit 3")});
    report(finished.wait(10000) && shell.exitStatus() == QProcess::NormalExit &&
               shell.exitCode() == 3,
           "a child of Qt's ends with its own exit code");
}

// The main window of an ordinary user's program, loaded, shown and active; the program
// must not end.
void showUsersWindow(frmMain& window) {
    setEndProgramHook([](int) { report(false, "the program would have ended"); });
    window.Load();
    window.show();
    if (!QTest::qWaitForWindowActive(&window))
        report(false, "setup: the window did not become active");
}

// In /proc mounted hidepid=2 an ordinary user sees only their own processes; the lowest
// of them is row 1. A kill, a second of refreshes and a second kill end only the one
// process chosen.
int hidepidProgram(pid_t sleeper) {
    becomeNobody();
    ChildProcess probe(1, "korvanta-probe");
    const auto app = application();
    frmMain window;
    showUsersWindow(window);
    ProcessListView& list = *window.lstProcess;
    report(list.ListItems().Text(1) == QString::number(sleeper),
           "setup: row 1 is the user's lowest process, the sleeper");
    report(list.SelectedItem() == 0, "no row is selected at start-up");

    list.setSelectedItem(rowOf(window, probe.pid()));
    QTest::keyClick(window.windowHandle(), Qt::Key_K, Qt::AltModifier);
    report(QTest::qWaitFor([&] { return rowOf(window, probe.pid()) == 0; }, 5000),
           "Alt+K took the probe's row out");
    report(endedByKill(probe.reap()), "Alt+K ended the probe");

    QSignalSpy ticks(window.Timer2, &FormTimer::Timer);
    window.Timer2->setInterval(100);
    window.Timer2->setEnabled(true);
    report(QTest::qWaitFor([&] { return ticks.count() >= 10; }, 10000),
           "setup: a second of refreshes every 100 ms");
    report(list.SelectedItem() == 0, "no row is highlighted after them");
    QSignalSpy clicked(window.cmdKillProcess, &QPushButton::clicked);
    QTest::keyClick(window.windowHandle(), Qt::Key_K, Qt::AltModifier);
    report(clicked.wait(5000) || clicked.count() == 1, "setup: the second Alt+K pressed Kill");
    return failures;
}

int hidepid() {
    char folder[] = "/tmp/korvanta-ns-XXXXXX";
    if (!::mkdtemp(folder) || ::chmod(folder, 0755) != 0)
        skip("cannot make a folder");
    const std::string sleeperPath = std::string(folder) + "/korvanta-sleeper";
    std::filesystem::create_symlink(ChildProcess::targetPath(), sleeperPath);
    int ready[2];
    if (::pipe(ready) != 0)
        skip("pipe");
    const pid_t sleeper = ::fork();
    if (sleeper == 0) {
        ::dup2(ready[1], STDOUT_FILENO);
        becomeNobody();
        ::execl(sleeperPath.c_str(), sleeperPath.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    report(started, "setup: the sleeper runs as an ordinary user");

    const pid_t program = ::fork();
    if (program == 0)
        ::_exit(hidepidProgram(sleeper));
    failures += waitForExit(program) == 0 ? 0 : 1;
    report(ranOn(sleeper), "the sleeper still runs");
    std::filesystem::remove_all(folder);
    return failures;
}

// An ordinary user's Kill on root's process: the system denies it, so the process runs on,
// its row stays chosen and a message box says why. On the user's own process Kill ends
// it, takes its row out and says nothing.
int otherUserProgram(pid_t roots) {
    becomeNobody();
    ChildProcess own(1, "korvanta-own");
    const auto app = application();
    std::vector<MsgBoxRequest> boxes;
    setMsgBoxHandler([&](const MsgBoxRequest& request) {
        boxes.push_back(request);
        return vbOK;
    });
    frmMain window;
    showUsersWindow(window);
    ProcessListView& list = *window.lstProcess;
    const int row = rowOf(window, roots);
    report(row > 0, "setup: the list shows root's process");
    list.setSelectedItem(row);
    QTest::keyClick(window.windowHandle(), Qt::Key_K, Qt::AltModifier);
    report(QTest::qWaitFor([&] { return !boxes.empty(); }, 5000),
           "Alt+K on root's process shows a message box");
    const QString expected = QStringLiteral("Can't end korvanta-roots (process ID %1). You have "
                                            "no right to end it: it belongs to another user or "
                                            "to the system.")
                                 .arg(roots);
    report(boxes.size() == 1 && boxes[0].prompt == expected && boxes[0].buttons == vbOKOnly &&
               !boxes[0].title,
           "it names the process and says why, with one OK button and the program's title: " +
               (boxes.empty() ? std::string("none") : boxes[0].prompt.toStdString()));
    report(row > 0 && list.SelectedItem() == rowOf(window, roots),
           "root's row stays, and stays selected");

    list.setSelectedItem(rowOf(window, own.pid()));
    QTest::keyClick(window.windowHandle(), Qt::Key_K, Qt::AltModifier);
    report(QTest::qWaitFor([&] { return rowOf(window, own.pid()) == 0; }, 5000),
           "Alt+K on the user's own process takes its row out");
    report(endedByKill(own.reap()), "and ends it");
    report(boxes.size() == 1, "with no message");
    return failures;
}

int otherUser() {
    ChildProcess roots(1, "korvanta-roots");
    const pid_t program = ::fork();
    if (program == 0)
        ::_exit(otherUserProgram(roots.pid()));
    failures += waitForExit(program) == 0 ? 0 : 1;
    report(ranOn(roots), "root's process still runs");
    return failures;
}

// A child of the given name that has the given id, which ns_last_pid hands out next.
std::unique_ptr<ChildProcess> startWithId(pid_t id, const char* name) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::ofstream("/proc/sys/kernel/ns_last_pid") << id - 1 << std::flush;
        auto child = std::make_unique<ChildProcess>(1, name);
        if (child->pid() == id)
            return child;
    }
    return nullptr;
}

// The chosen process ends and its id goes to another process, under another name or the
// same one, with a refresh between or without: Kill ends nothing.
int reuse() {
    const auto app = application();
    frmMain window;
    window.Load();
    for (const bool sameName : {false, true}) {
        for (const bool refreshed : {false, true}) {
            const std::string when = std::string(sameName ? "same name" : "other name") +
                                     (refreshed ? ", a refresh between" : ", no refresh");
            auto sleeper = std::make_unique<ChildProcess>(1, "korvanta-sleeper");
            const pid_t id = sleeper->pid();
            window.cmdRefresh();
            window.lstProcess->setSelectedItem(rowOf(window, id));
            ::kill(id, SIGKILL);
            sleeper.reset();
            const auto reuser = startWithId(id, sameName ? "korvanta-sleeper" : "korvanta-daemon");
            if (!reuser) {
                report(false, "setup: the id could not be given out again (" + when + ")");
                continue;
            }
            if (refreshed) {
                window.cmdRefresh();
                report(window.lstProcess->SelectedItem() == 0,
                       "no row is selected once the id names a newer process (" + when + ")");
                // The stat file kept for the first process fails to read; the newer one is
                // read through a file of its own.
                const int row = rowOf(window, id);
                report(row > 0 && window.lstProcess->ListItems().Text(row, 1) ==
                                      (sameName ? "korvanta-sleeper" : "korvanta-daemon"),
                       "the id's row shows the process that has it now (" + when + ")");
            }
            window.cmdKillProcess->click();
            report(ranOn(*reuser), "the process that got the id runs on (" + when + ")");
        }
    }

    // A handle opened before the id went to another process goes on naming the first.
    auto sleeper = std::make_unique<ChildProcess>(1, "korvanta-sleeper");
    const pid_t id = sleeper->pid();
    OsLayer& os = OsLayer::current();
    const auto handle = os.OpenProcess(basDeclares::PROCESS_ALL_ACCESS, 0, id);
    ::kill(id, SIGKILL);
    sleeper.reset();
    const auto reuser = startWithId(id, "korvanta-sleeper");
    os.TerminateProcess(handle, 0);
    os.CloseHandle(handle);
    report(reuser && ranOn(*reuser), "a handle opened before the id was handed out again");
    return failures;
}

// Process 1 of a pid namespace below the one whose /proc it reads, as under "unshare -pf"
// without a /proc of its own.
int outerProcProgram(pid_t decoy) {
    ChildProcess victim(1, "korvanta-victim");
    if (victim.pid() != decoy)
        report(false, "setup: the inner id " + std::to_string(victim.pid()) + " is not " +
                          std::to_string(decoy));
    const auto app = application();
    std::vector<int> endings;
    setEndProgramHook([&](int code) { endings.push_back(code); });
    std::vector<QString> boxes;
    setMsgBoxHandler([&](const MsgBoxRequest& request) {
        boxes.push_back(request.prompt);
        return vbOK;
    });
    frmMain window;
    window.Load();
    const int row = rowOf(window, decoy);
    report(row > 0 && window.lstProcess->ListItems().Text(row, 1) == "korvanta-decoy",
           "setup: the list shows the outer /proc");
    window.lstProcess->setSelectedItem(row);
    window.cmdKillProcess->click();
    report(ranOn(victim), "the process with that id in our own namespace runs on");
    report(boxes.size() == 1 && window.lstProcess->SelectedItem() == row,
           "the system denies ending the decoy: its row stays chosen, and a box says so");

    char self[16] = {};
    ::readlink("/proc/self", self, sizeof self - 1);
    window.lstProcess->setSelectedItem(rowOf(window, std::atoi(self)));
    window.cmdKillProcess->click();
    report(endings == std::vector<int>{0}, "our own row, under its id in that /proc, ends us");

    checkReaping(OsLayer::current(), 0);
    return failures;
}

[[noreturn]] void outerProc() {
    ChildProcess decoy(1, "korvanta-decoy");
    if (::unshare(CLONE_NEWPID) != 0)
        skip("cannot make a second pid namespace");
    const pid_t inner = ::fork();
    if (inner == 0)
        ::_exit(outerProcProgram(decoy.pid()));
    failures += waitForExit(inner) == 0 ? 0 : 1;
    report(ranOn(decoy), "the process that the row named in that /proc runs on");
    endWithoutChildren(failures);
}

// A soft limit on open files below the hard one, as many systems set it: the layer raises
// it, keeps a stat file for every process above the limit the program started with, and
// the programs it starts get that limit back.
int descriptors() {
    rlimit limit{};
    ::getrlimit(RLIMIT_NOFILE, &limit);
    if (limit.rlim_max < 1024)
        skip("the hard limit on open files is too low to try");
    constexpr rlim_t kStarted = 64;
    limit.rlim_cur = kStarted;
    ::setrlimit(RLIMIT_NOFILE, &limit);
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (rlim_t k = 0; k < kStarted + 16; ++k)
        children.push_back(std::make_unique<ChildProcess>(1, "korvanta-many"));

    const auto app = application();
    LinuxOsLayer os;
    report(LinuxFileLimit::current() == limit.rlim_max,
           "the soft limit was raised to the hard one");
    std::size_t listed = 0;
    const auto handle = os.CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0);
    basDeclares::PROCESSENTRY32 record{};
    record.dwSize = sizeof record;
    for (auto more = os.Process32First(handle, record); more;
         more = os.Process32Next(handle, record))
        ++listed;
    os.CloseHandle(handle);
    bool above = true;
    std::size_t kept = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code error;
        const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
        int pid = 0;
        char leaf[8] = {};
        if (std::sscanf(target.c_str(), "/proc/%d/%7s", &pid, leaf) == 2 &&
            std::string_view(leaf) == "stat") {
            ++kept;
            above = above && std::stoi(entry.path().filename()) >= static_cast<int>(kStarted);
        }
    }
    report(listed > children.size() && kept == listed,
           "every process listed, its stat file kept: " + std::to_string(listed) + " listed, " +
               std::to_string(kept) + " kept");
    report(above, "the kept files lie above the limit the program started with");
    {
        // Qt starts the desktop's opener within the call; the handler stands in for it.
        LimitAtOpening opener;
        QDesktopServices::setUrlHandler(QStringLiteral("korvanta-limit"), &opener, "open");
        os.ShellExecuteA(0, "open", "korvanta-limit:page", nullptr, nullptr, 1);
        QDesktopServices::unsetUrlHandler(QStringLiteral("korvanta-limit"));
        report(opener.seen == kStarted, "the opener is started with the limit the program "
                                        "started with: " +
                                            std::to_string(opener.seen));
    }
    report(LinuxFileLimit::current() == limit.rlim_max, "the raised limit again after it");

    char folder[] = "/tmp/korvanta-limit-XXXXXX";
    if (!::mkdtemp(folder))
        skip("cannot make a folder");
    const std::string script = std::string(folder) + "/limit.sh";
    const std::string said = std::string(folder) + "/said";
    std::ofstream(script) << "#!/bin/sh\nulimit -Sn > \"$1.part\" && mv \"$1.part\" \"$1\"\n";
    ::chmod(script.c_str(), 0755);
    report(os.StartCommandLine(script + " " + said, 1), "setup: the script started");
    const bool answered = QTest::qWaitFor([&] { return std::filesystem::exists(said); }, 10000);
    std::string started;
    std::ifstream(said) >> started;
    report(answered && started == std::to_string(kStarted),
           "a program started gets the limit the program started with: " + started);
    std::filesystem::remove_all(folder);
    return failures;
}

int reap() {
    const auto app = application();
    LinuxOsLayer os;
    checkReaping(os, 0);
    return failures;
}

int run(const std::string& scenario) {
    if (scenario == "hidepid")
        return hidepid();
    if (scenario == "reuse")
        return reuse();
    if (scenario == "other-user")
        return otherUser();
    if (scenario == "outer-proc")
        outerProc();
    if (scenario == "reap-as-init")
        return reap();
    if (scenario == "descriptors")
        return descriptors();
    if (scenario == "reap-as-subreaper") {
        const pid_t subreaper = ::fork();
        if (subreaper == 0) {
            ::prctl(PR_SET_CHILD_SUBREAPER, 1);
            ::_exit(reap());
        }
        return waitForExit(subreaper);
    }
    report(false, "no such scenario: " + scenario);
    return 2;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc != 2)
        return 2;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    const std::string scenario = argv[1];
    if (::unshare(CLONE_NEWPID | CLONE_NEWNS) != 0)
        skip("cannot make a pid and mount namespace (this needs root)");
    const pid_t init = ::fork();
    if (init < 0)
        skip("fork");
    if (init > 0)
        endWithoutChildren(waitForExit(init));

    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        skip("cannot make the mounts private");
    const char* options = scenario == "hidepid" ? "hidepid=2" : nullptr;
    if (::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, options) != 0)
        skip("cannot mount /proc");
    return run(scenario);
}

#include "pid_namespace_scenario.moc"
