// The refresh benchmark. For the process table as the machine has it, with 1000 and with
// 5000 more idle processes, it times in interleaved rounds (in three orders, so that each
// reading follows each of the others as often):
//   floor     the bare /proc walk (open, read, close PID/stat for every process)
//   snapshot  clsActiveProcess::GetActiveProcess through the real Linux layer
//   ps        `ps -e -o pid=,nlwp=,comm=` as a child process
//   refresh   frmMain::cmdRefresh of a real window and the event processing it causes:
//             the list's layout and its repaint, when what it shows has changed
//   refresh sorted   the same in a second window whose list is sorted by name
// and prints the ratios of the medians, one line per figure and size. Then the same for a
// refresh at the cadence users run it (floor, snapshot and both refreshes, each after an idle
// gap of a second, so that the caches have gone cold), the idle cost of the real window
// with auto refresh off, its cost at 600 ms per size, and at 10 ms shown and minimised.
// Details go to stderr.
#include "ChildGroup.h"
#include "Measurement.h"
#include "ProcTable.h"
#include "ProgramListings.h"
#include "app/linux/LinuxOsLayer.h"
#include "main_window/main_window.h"
#include "process/clsActiveProcess.h"

#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEventLoop>
#include <QStyleFactory>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <sys/utsname.h>
#include <unistd.h>

namespace {

class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

struct Bench {
    Bench(frmMain& form, PaintCounter& counter, frmMain& sortedForm, PaintCounter& sortedCounter)
        : window(form), painted(counter), sortedWindow(sortedForm), sortedPainted(sortedCounter) {}

    frmMain& window;
    PaintCounter& painted;
    frmMain& sortedWindow; // its list sorted by name
    PaintCounter& sortedPainted;
    clsActiveProcess snapshot;
    int warmUp = 3;
    int counted = 15;
    int coldCounted = 21;
    int gapMs = 1000;

    double lastRebuild = 0; // of the last refresh: cmdRefresh alone
    int refreshes = 0;
    int refreshPaints = 0; // paints of the list during those refreshes

    // cmdRefresh, then the event loop until it has nothing left to do: the list's layout
    // and, when what the list shows has changed, its repaint. A refresh that changed
    // nothing on screen paints nothing, so there is no paint to wait for.
    void refreshAndSettle(frmMain& form, PaintCounter& counter) {
        const int before = counter.paints;
        const double start = Measurement::wallSeconds();
        form.cmdRefresh();
        lastRebuild = Measurement::wallSeconds() - start;
        QAbstractEventDispatcher* events = QAbstractEventDispatcher::instance();
        for (int pass = 0; pass < 50 && events->processEvents(QEventLoop::AllEvents); ++pass) {
        }
        if (&form == &window) {
            ++refreshes;
            refreshPaints += counter.paints - before;
        }
    }

    // How many of the walks of /proc since the last call listed the folder; the others went
    // by the last listing, no process having started since.
    std::size_t listingsBefore = 0;
    std::size_t listingsSince() {
        const std::size_t now = ProgramListings::count();
        const std::size_t since = now - listingsBefore;
        listingsBefore = now;
        return since;
    }

    // The share of refreshes since the last call that painted the list, for the record.
    double paintedShare() {
        const double share = refreshes > 0 ? static_cast<double>(refreshPaints) / refreshes : 0;
        refreshes = refreshPaints = 0;
        return share;
    }
    void refreshAndSettle() { refreshAndSettle(window, painted); }
    void refreshSortedAndSettle() { refreshAndSettle(sortedWindow, sortedPainted); }

    std::vector<int> snapshotIds() {
        std::vector<int> ids;
        const std::int32_t count = snapshot.GetActiveProcess();
        for (std::int32_t index = 1; index <= count; ++index)
            ids.push_back(snapshot.th32ProcessID(index));
        return ids;
    }

    std::vector<int> listIds() {
        std::vector<int> ids;
        ProcessListModel& items = window.lstProcess->ListItems();
        for (int position = 1; position <= items.Count(); ++position)
            ids.push_back(items.Text(position).toInt());
        return ids;
    }

    // Every process that lived through the whole check must be in every reading, once;
    // whatever else a reading holds came or went meanwhile.
    void checkCounts() {
        const std::vector<int> before = ProcTable::floorIds();
        const std::vector<int> floor = ProcTable::floorIds();
        const std::vector<int> snap = snapshotIds();
        const std::vector<int> ps = ProcTable::psIds();
        refreshAndSettle();
        const std::vector<int> list = listIds();
        const std::vector<int> after = ProcTable::floorIds();

        const std::set<int> beforeSet(before.begin(), before.end());
        std::set<int> stable;
        std::set<int> every(before.begin(), before.end());
        for (const int id : after) {
            if (beforeSet.count(id))
                stable.insert(id);
            every.insert(id);
        }
        bool agree = true;
        const std::vector<int>* readings[] = {&floor, &snap, &ps, &list};
        for (const std::vector<int>* reading : readings) {
            const std::set<int> ids(reading->begin(), reading->end());
            every.insert(ids.begin(), ids.end());
            agree = agree && ids.size() == reading->size() &&
                    std::includes(ids.begin(), ids.end(), stable.begin(), stable.end());
        }
        std::printf("counts N=%zu floor=%zu snapshot=%zu ps=%zu list=%zu came_or_went=%zu "
                    "agree=%s\n",
                    stable.size(), floor.size(), snap.size(), ps.size(), list.size(),
                    every.size() - stable.size(), agree ? "yes" : "NO");
        std::fflush(stdout);
    }

    // Times of one reading: on the wall clock, and in CPU time (the benchmark's thread plus,
    // for ps, the child), which is what the ratios use: on a shared machine the wall clock
    // also counts the time others had the processor.
    struct Timing {
        std::vector<double> wall, cpu;
        template <typename Work> void run(Work&& work, bool counted) {
            const double wallStart = Measurement::wallSeconds();
            const double cpuStart = Measurement::threadCpuSeconds();
            const double childCpu = work();
            const double cpuUsed = Measurement::threadCpuSeconds() - cpuStart + childCpu;
            const double wallUsed = Measurement::wallSeconds() - wallStart;
            if (counted) {
                wall.push_back(wallUsed);
                cpu.push_back(cpuUsed);
            }
        }
        double medianCpu() const { return Measurement::median(cpu); }
        double medianWall() const { return Measurement::median(wall); }
    };

    // Back to back, every cache hot. Returns the median size of the table.
    int measureSize() {
        checkCounts();
        Timing floor, snap, ps, refresh, sorted;
        std::vector<double> tableSizes, rebuild, sortedRebuild;
        for (int round = 0; round < warmUp + counted; ++round) {
            const bool counts = round >= warmUp;
            if (round == warmUp) {
                paintedShare();
                listingsSince();
            }
            int size = 0;
            // The order changes from round to round so that, over three rounds, each reading
            // comes right after each of the others once, across rounds too: ps, which starts
            // a process and reads much of /proc, leaves the caches and the process table
            // changed for whatever comes after it, and a walk of /proc leaves them warm.
            const std::function<void()> readings[] = {
                [&] {
                    floor.run(
                        [&] {
                            size = ProcTable::floorWalk();
                            return 0.0;
                        },
                        counts);
                },
                [&] {
                    snap.run(
                        [&] {
                            snapshot.GetActiveProcess();
                            return 0.0;
                        },
                        counts);
                },
                [&] {
                    ps.run(
                        [&] {
                            double child = 0;
                            ProcTable::psIds(&child);
                            return child;
                        },
                        counts);
                },
                [&] {
                    // Either refresh goes first as often: the first is the one that finds
                    // the processes ps started and lists /proc again.
                    const auto timed = [&](Timing& timing, frmMain& form, PaintCounter& counter,
                                           std::vector<double>& rebuilds) {
                        timing.run(
                            [&] {
                                refreshAndSettle(form, counter);
                                return 0.0;
                            },
                            counts);
                        if (counts)
                            rebuilds.push_back(lastRebuild);
                    };
                    const auto unsorted = [&] {
                        timed(refresh, window, painted, rebuild);
                    };
                    const auto byName = [&] {
                        timed(sorted, sortedWindow, sortedPainted, sortedRebuild);
                    };
                    if (round % 2 == 0) {
                        unsorted();
                        byName();
                    } else {
                        byName();
                        unsorted();
                    }
                },
            };
            static constexpr int kOrders[3][4] = {{0, 1, 2, 3}, {0, 2, 1, 3}, {2, 0, 3, 1}};
            for (const int reading : kOrders[round % 3])
                readings[reading]();
            if (counts)
                tableSizes.push_back(size);
        }
        const int n = static_cast<int>(Measurement::median(tableSizes));
        std::fprintf(stderr,
                     "medians N=%d runs=%d, cpu: floor=%.3fms snapshot=%.3fms ps=%.3fms "
                     "refresh=%.3fms; wall: floor=%.3fms snapshot=%.3fms ps=%.3fms "
                     "refresh=%.3fms (of which cmdRefresh=%.3fms); list paints per refresh %.2f; "
                     "/proc listed in %zu of %d walks\n",
                     n, counted, floor.medianCpu() * 1e3, snap.medianCpu() * 1e3,
                     ps.medianCpu() * 1e3, refresh.medianCpu() * 1e3, floor.medianWall() * 1e3,
                     snap.medianWall() * 1e3, ps.medianWall() * 1e3, refresh.medianWall() * 1e3,
                     Measurement::median(rebuild) * 1e3, paintedShare(), listingsSince(),
                     3 * counted);
        std::fprintf(stderr,
                     "sorted by name N=%d: cpu refresh=%.3fms; wall refresh=%.3fms (of which "
                     "cmdRefresh=%.3fms); wall sorted/unsorted=%.2f\n",
                     n, sorted.medianCpu() * 1e3, sorted.medianWall() * 1e3,
                     Measurement::median(sortedRebuild) * 1e3,
                     sorted.medianWall() / refresh.medianWall());
        std::fprintf(stderr,
                     "wall-clock ratios N=%d: snapshot/floor=%.2f snapshot/ps=%.2f "
                     "refresh/floor=%.2f\n",
                     n, snap.medianWall() / floor.medianWall(), snap.medianWall() / ps.medianWall(),
                     refresh.medianWall() / floor.medianWall());
        std::printf("snapshot/floor N=%d ratio=%.2f\n", n, snap.medianCpu() / floor.medianCpu());
        std::printf("snapshot/ps N=%d ratio=%.2f\n", n, snap.medianCpu() / ps.medianCpu());
        std::printf("refresh/floor N=%d ratio=%.2f\n", n, refresh.medianCpu() / floor.medianCpu());
        std::printf("refresh/floor sorted N=%d ratio=%.2f\n", n,
                    sorted.medianCpu() / floor.medianCpu());
        std::printf("refresh sorted/unsorted N=%d ratio=%.2f\n", n,
                    sorted.medianCpu() / refresh.medianCpu());
        std::fflush(stdout);
        return n;
    }

    // Lets the event loop idle for the gap, as the program does between two ticks of its
    // timer; meanwhile the rest of the machine runs and the caches go cold.
    void idleGap() {
        QEventLoop loop;
        QTimer::singleShot(gapMs, Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();
    }

    // Each reading after a gap of its own, in the order of the hot rounds; one round of
    // warm-up lets the hot rounds before it fade.
    void measureCold() {
        if (coldCounted <= 0)
            return;
        Timing floor, snap, refresh, sorted;
        std::vector<double> tableSizes;
        for (int round = 0; round < 1 + coldCounted; ++round) {
            const bool counts = round >= 1;
            if (round == 1) {
                paintedShare();
                listingsSince();
            }
            int size = 0;
            idleGap();
            floor.run(
                [&] {
                    size = ProcTable::floorWalk();
                    return 0.0;
                },
                counts);
            idleGap();
            snap.run(
                [&] {
                    snapshot.GetActiveProcess();
                    return 0.0;
                },
                counts);
            idleGap();
            refresh.run(
                [&] {
                    refreshAndSettle();
                    return 0.0;
                },
                counts);
            idleGap();
            sorted.run(
                [&] {
                    refreshSortedAndSettle();
                    return 0.0;
                },
                counts);
            if (counts)
                tableSizes.push_back(size);
        }
        const int n = static_cast<int>(Measurement::median(tableSizes));
        std::fprintf(stderr,
                     "cold medians N=%d runs=%d gap=%dms, cpu: floor=%.3fms snapshot=%.3fms "
                     "refresh=%.3fms; wall: floor=%.3fms snapshot=%.3fms refresh=%.3fms; list "
                     "paints per refresh %.2f; /proc listed in %zu of %d walks\n",
                     n, coldCounted, gapMs, floor.medianCpu() * 1e3, snap.medianCpu() * 1e3,
                     refresh.medianCpu() * 1e3, floor.medianWall() * 1e3, snap.medianWall() * 1e3,
                     refresh.medianWall() * 1e3, paintedShare(), listingsSince(), 3 * coldCounted);
        std::fprintf(
            stderr, "cold wall-clock ratios N=%d: snapshot/floor=%.2f refresh/floor=%.2f\n", n,
            snap.medianWall() / floor.medianWall(), refresh.medianWall() / floor.medianWall());
        std::printf("snapshot/floor cold N=%d ratio=%.2f\n", n,
                    snap.medianCpu() / floor.medianCpu());
        std::printf("refresh/floor cold N=%d ratio=%.2f\n", n,
                    refresh.medianCpu() / floor.medianCpu());
        std::printf("refresh/floor sorted cold N=%d ratio=%.2f\n", n,
                    sorted.medianCpu() / floor.medianCpu());
        std::printf("refresh sorted/unsorted cold N=%d ratio=%.2f\n", n,
                    sorted.medianCpu() / refresh.medianCpu());
        std::fflush(stdout);
    }

    // Runs the event loop for the given time; returns the CPU seconds the benchmark used.
    double cpuOverLoop(double seconds) {
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
        const double start = Measurement::cpuSeconds();
        loop.exec();
        return Measurement::cpuSeconds() - start;
    }

    // The kernel memory that the stat files kept open cost: a layer of its own walks the
    // table, keeping one for each process, and the memory it gives back when it closes
    // them is theirs. The median of five.
    void measureKeptFiles(int n) {
        std::vector<double> perFile;
        std::size_t files = 0;
        std::string source;
        for (int round = 0; round < 5; ++round) {
            const int before = ProcTable::openStatFiles();
            auto layer = std::make_unique<LinuxOsLayer>();
            layer->CloseHandle(layer->CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0));
            files = static_cast<std::size_t>(std::max(ProcTable::openStatFiles() - before, 0));
            const long long open = ProcTable::kernelMemoryBytes(&source);
            layer.reset();
            const long long closed = ProcTable::kernelMemoryBytes();
            if (files > 0 && open >= 0 && closed >= 0)
                perFile.push_back(static_cast<double>(open - closed) / static_cast<double>(files));
        }
        std::printf("kept_files N=%d files=%zu kernel_bytes_per_file=%.0f source=%s\n", n, files,
                    perFile.empty() ? -1.0 : Measurement::median(perFile), source.c_str());
        std::fflush(stdout);
    }

    void measureIdle() {
        window.Timer2->setEnabled(false);
        const double used = cpuOverLoop(10);
        std::printf("idle cpu_seconds=%.3f\n", used);
        std::fflush(stdout);
    }

    void measureAutoRefresh(int n) {
        window.Timer2->setInterval(600);
        window.Timer2->setEnabled(true);
        const double wallStart = Measurement::wallSeconds();
        const int paintsBefore = painted.paints;
        const double used = cpuOverLoop(12);
        const double wall = Measurement::wallSeconds() - wallStart;
        window.Timer2->setEnabled(false);
        std::fprintf(stderr, "autorefresh600 N=%d over %.1fs: %.3f cpu seconds, %d paints\n", n,
                     wall, used, painted.paints - paintsBefore);
        std::printf("autorefresh600 N=%d cpu_share=%.3f\n", n, used / wall);
        std::fflush(stdout);
    }

    // The window's share of one core with auto refresh at 10 ms, shown and minimised, in
    // alternating rounds of 3 s: a minimised window's ticks read nothing.
    void measureMinimised(int n) {
        window.Timer2->setInterval(10);
        window.Timer2->setEnabled(true);
        std::vector<double> shown, minimised;
        for (int round = 0; round < 3; ++round) {
            for (const bool away : {false, true}) {
                if (away)
                    window.showMinimized();
                else
                    window.showNormal();
                const double wallStart = Measurement::wallSeconds();
                const double used = cpuOverLoop(3);
                (away ? minimised : shown)
                    .push_back(used / (Measurement::wallSeconds() - wallStart));
            }
        }
        window.showNormal();
        window.Timer2->setEnabled(false);
        const double shownShare = Measurement::median(shown);
        const double minimisedShare = Measurement::median(minimised);
        std::printf("autorefresh10 minimised/shown N=%d shown_cpu_share=%.3f "
                    "minimised_cpu_share=%.4f ratio=%.4f\n",
                    n, shownShare, minimisedShare,
                    shownShare > 0 ? minimisedShare / shownShare : 0.0);
        std::fflush(stdout);
    }
};

std::string cpuModel() {
    std::FILE* info = std::fopen("/proc/cpuinfo", "r");
    if (!info)
        return "unknown";
    char line[512];
    std::string model = "unknown";
    while (std::fgets(line, sizeof line, info)) {
        if (std::strncmp(line, "model name", 10) == 0) {
            const char* colon = std::strchr(line, ':');
            if (colon) {
                model = colon + 2;
                model.erase(model.find_last_not_of("\n") + 1);
            }
            break;
        }
    }
    std::fclose(info);
    return model;
}

// The 1, 5 and 15 minute load averages: how busy the machine was meanwhile.
std::string loadAverage() {
    std::FILE* file = std::fopen("/proc/loadavg", "r");
    if (!file)
        return "unknown";
    double one = 0, five = 0, fifteen = 0;
    const int read = std::fscanf(file, "%lf %lf %lf", &one, &five, &fifteen);
    std::fclose(file);
    if (read != 3)
        return "unknown";
    char text[64];
    std::snprintf(text, sizeof text, "%.2f,%.2f,%.2f", one, five, fifteen);
    return text;
}

std::string kernelVersion() {
    utsname name{};
    ::uname(&name);
    return std::string(name.sysname) + " " + name.release;
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int counted = 15;
    int coldCounted = 21;
    int gapMs = -1;
    int refreshLoop = 0; // only refreshes, for a profiler to look at
    std::vector<int> extras;
    for (int k = 1; k + 1 < argc; k += 2) {
        if (std::strcmp(argv[k], "--runs") == 0)
            counted = (std::max(15, std::atoi(argv[k + 1])) + 2) / 3 * 3; // whole turns of orders
        else if (std::strcmp(argv[k], "--cold-runs") == 0) // 0 leaves the cold case out
            coldCounted = std::max(0, std::atoi(argv[k + 1]));
        else if (std::strcmp(argv[k], "--gap-ms") == 0)
            gapMs = std::max(0, std::atoi(argv[k + 1]));
        else if (std::strcmp(argv[k], "--extra") == 0) // only these sizes, for profiling
            extras.push_back(std::atoi(argv[k + 1]));
        else if (std::strcmp(argv[k], "--refresh-loop") == 0)
            refreshLoop = std::atoi(argv[k + 1]);
    }
    if (extras.empty())
        extras = {0, 1000, 5000};
    const std::string loadBefore = loadAverage();
    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    try {
        frmMain window;
        PaintCounter painted;
        window.lstProcess->viewport()->installEventFilter(&painted);
        window.Load();
        window.show();
        frmMain sortedWindow;
        PaintCounter sortedPainted;
        sortedWindow.lstProcess->viewport()->installEventFilter(&sortedPainted);
        sortedWindow.Load();
        sortedWindow.lstProcess->sortByColumn(1, Qt::AscendingOrder);
        sortedWindow.show();
        for (int pass = 0; pass < 20; ++pass)
            QCoreApplication::processEvents();

        Bench bench{window, painted, sortedWindow, sortedPainted};
        bench.counted = counted;
        bench.coldCounted = coldCounted;
        ChildGroup children(IDLE_CHILD);
        if (refreshLoop > 0) {
            // Back to back unless a gap is given: then at that cadence, to profile the cold case.
            children.start(extras.front());
            bench.gapMs = std::max(0, gapMs);
            double wall = 0;
            double cpu = 0;
            for (int k = 0; k < refreshLoop; ++k) {
                if (bench.gapMs > 0)
                    bench.idleGap();
                const double start = Measurement::wallSeconds();
                const double cpuStart = Measurement::threadCpuSeconds();
                bench.refreshAndSettle();
                wall += Measurement::wallSeconds() - start;
                cpu += Measurement::threadCpuSeconds() - cpuStart;
            }
            std::fprintf(stderr,
                         "%d refreshes, %d ms apart: %.3f ms each, %.3f ms cpu each, list paints "
                         "per refresh %.2f\n",
                         refreshLoop, bench.gapMs, wall * 1e3 / refreshLoop,
                         cpu * 1e3 / refreshLoop, bench.paintedShare());
            return 0;
        }
        bench.gapMs = gapMs < 0 ? 1000 : gapMs;
        for (const int extra : extras) {
            std::fprintf(stderr, "table as the machine is, plus %d idle processes\n", extra);
            children.start(extra);
            const int n = bench.measureSize();
            bench.measureKeptFiles(n);
            bench.measureCold();
            if (extra == 0)
                bench.measureIdle();
            bench.measureAutoRefresh(n);
            bench.measureMinimised(n);
            children.stop();
        }
        std::printf("kernel %s\n", kernelVersion().c_str());
        std::printf("machine nproc=%ld cpu=%s\n", ::sysconf(_SC_NPROCESSORS_ONLN),
                    cpuModel().c_str());
        std::string procps = ProcTable::psVersion();
        if (procps.rfind("ps from ", 0) == 0)
            procps.erase(0, 8);
        std::printf("procps %s\n", procps.c_str());
        std::printf("load before=%s after=%s\n", loadBefore.c_str(), loadAverage().c_str());
    } catch (const std::exception& error) {
        std::fprintf(stderr, "benchmark failed: %s\n", error.what());
        return 1;
    }
    return 0;
}
