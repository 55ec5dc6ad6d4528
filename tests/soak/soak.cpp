// Runs the real main window with auto refresh every 10 ms for a given number of seconds
// (default 120) and reports the refreshes done, the resident memory at the start, after
// 20 s and at the end, the descriptors open at the end (the stat files kept for the
// listed processes among them), and every error seen. Exits with 1 on any error or when
// memory grew by 2 MiB or more between the 20th second and the end. Runs shorter than 100 s
// take that middle reading at a fifth of their time.
#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "app/linux/LinuxOsLayer.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"
#include "tests/HandleCounting.h"
#include "tests/InstalledLayer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStyleFactory>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <set>
#include <sys/resource.h>
#include <unistd.h>

namespace {

int errors = 0;

void error(const QString& what) {
    if (++errors <= 20)
        std::fprintf(stderr, "error: %s\n", qPrintable(what));
}

long residentKiB() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

struct OpenFiles {
    int all = 0;
    std::set<std::int32_t> statOf; // the processes whose stat file is open
    int stat = 0;
    int others() const { return all - stat; }
};

OpenFiles openFiles() {
    OpenFiles files;
    DIR* folder = ::opendir("/proc/self/fd");
    while (const dirent* entry = folder ? ::readdir(folder) : nullptr) {
        if (entry->d_name[0] == '.')
            continue;
        ++files.all;
        char target[64] = {};
        const std::string link = std::string("/proc/self/fd/") + entry->d_name;
        int pid = 0;
        char leaf[8] = {};
        if (::readlink(link.c_str(), target, sizeof target - 1) > 0 &&
            std::sscanf(target, "/proc/%d/%7s", &pid, leaf) == 2 && std::string(leaf) == "stat") {
            ++files.stat;
            files.statOf.insert(pid);
        }
    }
    if (folder)
        ::closedir(folder);
    return files;
}

// What every refresh must leave: one row per process of the snapshot, this program
// among them, row 1 selected, and no snapshot handle left open.
void checkList(frmMain& main, const HandleCounting<LinuxOsLayer>& os) {
    const ProcessListModel& rows = main.lstProcess->ListItems();
    if (rows.Count() != main.lngProcessCount)
        error(
            QStringLiteral("%1 rows for %2 processes").arg(rows.Count()).arg(main.lngProcessCount));
    if (rows.Count() == 0) {
        error(QStringLiteral("the list is empty"));
        return;
    }
    const QString self = QString::number(::getpid());
    bool selfListed = false;
    for (int position = 1; position <= rows.Count(); ++position) {
        const QString id = rows.Text(position);
        if (id == self)
            selfListed = true;
        if (id.toInt() <= 0)
            error(QStringLiteral("row %1 has the id '%2'").arg(position).arg(id));
    }
    if (!selfListed)
        error(QStringLiteral("this program is missing from the list"));
    if (os.openHandleCount() != 0)
        error(QStringLiteral("%1 handles left open").arg(os.openHandleCount()));
}

} // namespace

int main(int argc, char* argv[]) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 120;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setApplicationName(QStringLiteral("KorvantaTaskList"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && type != QtInfoMsg)
            error(QStringLiteral("Qt says: ") + text);
    });
    setMsgBoxHandler([](const MsgBoxRequest& request) {
        error(QStringLiteral("message box: ") + request.prompt);
        return vbOK;
    });
    setEndProgramHook(
        [](int code) { error(QStringLiteral("the program would end (%1)").arg(code)); });

    // The Linux layer as the program has it, counting the handles the refreshes leave open.
    HandleCounting<LinuxOsLayer> os;
    InstalledLayer installed(os);
    frmMain& main = Forms::Main();
    main.show();

    long refreshes = 0;
    QObject::connect(main.Timer2, &FormTimer::Timer, &main, [&] {
        ++refreshes; // runs after the tick's cmdRefresh, which was connected first
        checkList(main, os);
    });
    main.Timer2->setInterval(10);
    main.Timer2->setEnabled(true);

    const long startKiB = residentKiB();
    const long long settledMs = std::min(20000LL, seconds * 1000LL / 5);
    int settledFiles = -1; // Qt opens a few files of its own during the first paints; the
                           // stat files kept for the listed processes come and go with them
    long at20KiB = -1;
    long peakKiB = startKiB;
    QElapsedTimer clock;
    clock.start();
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const long now = residentKiB();
        peakKiB = std::max(peakKiB, now);
        if (at20KiB < 0 && clock.elapsed() >= settledMs) {
            at20KiB = now;
            settledFiles = openFiles().others();
        }
        if (clock.elapsed() >= seconds * 1000LL)
            QCoreApplication::exit(0); // quit() would ask the window to close: a shutdown
    });
    sampler.start(250);
    application.exec();

    const double elapsed = static_cast<double>(clock.elapsed()) / 1000.0;
    const long endKiB = residentKiB();
    // After the last refresh: one stat file for each process the list shows, at most, and
    // none for a process it no longer shows.
    const OpenFiles endFiles = openFiles();
    if (settledFiles >= 0 && endFiles.others() > settledFiles)
        error(QStringLiteral("open files grew from %1 to %2")
                  .arg(settledFiles)
                  .arg(endFiles.others()));
    std::set<std::int32_t> listed;
    const ProcessListModel& rows = main.lstProcess->ListItems();
    for (int position = 1; position <= rows.Count(); ++position)
        listed.insert(rows.Text(position).toInt());
    int strays = 0;
    for (const std::int32_t pid : endFiles.statOf)
        strays += listed.count(pid) ? 0 : 1;
    if (strays > 0)
        error(QStringLiteral("%1 stat files open for processes no longer listed").arg(strays));
    if (endFiles.stat != static_cast<int>(endFiles.statOf.size()))
        error(QStringLiteral("%1 stat files open for %2 processes")
                  .arg(endFiles.stat)
                  .arg(endFiles.statOf.size()));
    if (at20KiB < 0)
        at20KiB = startKiB;
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const double cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                       static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;

    std::printf("soak: %.1f s, %ld refreshes (%.1f a second), last list %d rows\n", elapsed,
                refreshes, static_cast<double>(refreshes) / elapsed,
                main.lstProcess->ListItems().Count());
    std::printf("processor time: %.1f s, %.2f ms a refresh\n", cpu,
                refreshes > 0 ? cpu * 1000.0 / static_cast<double>(refreshes) : 0.0);
    std::printf("resident memory: start %ld KiB, %lld s %ld KiB, end %ld KiB, peak %ld KiB; "
                "growth from %lld s to the end %+ld KiB\n",
                startKiB, settledMs / 1000, at20KiB, endKiB, peakKiB, settledMs / 1000,
                endKiB - at20KiB);
    std::printf("descriptors at the end: %d open, %d of them stat files kept for %zu listed "
                "processes, none for a process no longer listed: %s; others %d (%d after %lld "
                "s)\n",
                endFiles.all, endFiles.stat, listed.size(), strays == 0 ? "yes" : "NO",
                endFiles.others(), settledFiles, settledMs / 1000);
    std::printf("errors: %d\n", errors);
    const bool grew = endKiB - at20KiB >= 2048;
    if (grew)
        std::printf("memory grew by 2 MiB or more after %lld s\n", settledMs / 1000);
    return errors == 0 && !grew && refreshes > 0 ? 0 : 1;
}
