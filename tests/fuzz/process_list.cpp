// The main window's list after a refresh over a process table made from the input (any
// ids, thread counts and name bytes, NULs included): one row per process in the order
// delivered, each showing its id, its name up to the first NUL and its thread count; no
// row selected unless the process selected before is still there. The list is sorted by
// a column chosen from the input's length, or not at all, and shows its rows in that
// order, equal keys in the order delivered, with the selected row current, or else the
// row shown first. A message box or the end of the program is a failure. The window lives
// from one input to the next, so each refresh goes from the table before it to a new one:
// Qt's model tester checks every notification of the list's rows and of the order shown.
#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"
#include "tests/FakeOsLayer.h"
#include "tests/RowOf.h"

#include <QAbstractItemModelTester>
#include <QAbstractProxyModel>
#include <QApplication>
#include <algorithm>
#include <compare>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    setMsgBoxHandler([](const MsgBoxRequest&) -> int { std::abort(); });
    setEndProgramHook([](int) { std::abort(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FakeOsLayer os; // installed before the window's first snapshot
    static frmMain& window = Forms::Main();
    static QAbstractItemModelTester rowsTester(
        &window.lstProcess->ListItems(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    static QAbstractItemModelTester shownTester(
        window.lstProcess->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    os.processes.clear();
    std::size_t at = 0;
    const auto byte = [&] {
        return at < size ? data[at++] : std::uint8_t{0};
    };
    while (at < size) {
        FakeOsLayer::Process process{static_cast<std::int32_t>(byte() << 8 | byte()), {}};
        process.threads = static_cast<std::int32_t>(static_cast<std::int8_t>(byte()));
        const std::size_t length = std::min<std::size_t>(byte() % 64, size - at);
        process.name.assign(reinterpret_cast<const char*>(data) + at, length);
        at += length;
        os.processes.push_back(std::move(process));
    }
    ProcessListView& list = *window.lstProcess;
    const int choice = static_cast<int>(size % 9); // 0: the system's order
    const int sortColumn = choice == 0 ? -1 : (choice - 1) / 2;
    const bool ascending = choice == 0 || (choice - 1) % 2 == 0;
    list.sortByColumn(sortColumn, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
    const ProcessListModel& rows = list.ListItems();
    const int before = list.SelectedItem();
    const QString selectedId = before > 0 ? rows.Text(before) : QString();
    window.cmdRefresh();

    if (rows.Count() != static_cast<int>(os.processes.size()))
        std::abort();
    if (currentRow(list) != (list.SelectedItem() > 0 ? list.SelectedItem() : list.FirstItemShown()))
        std::abort();
    const auto keyOrder = [&](int first, int second) {
        const FakeOsLayer::Process& a = os.processes[static_cast<std::size_t>(first - 1)];
        const FakeOsLayer::Process& b = os.processes[static_cast<std::size_t>(second - 1)];
        switch (sortColumn) {
        case 0:
            return a.pid <=> b.pid;
        case 1:
            return QString::compare(rows.Text(first, 1).toCaseFolded(),
                                    rows.Text(second, 1).toCaseFolded()) <=> 0;
        case 2:
            return a.threads <=> b.threads;
        default:
            return std::strong_ordering::equal; // the usage, 0 for all, or no sort
        }
    };
    const auto* order = qobject_cast<const QAbstractProxyModel*>(list.model());
    const auto positionShownAt = [&](int row) {
        return order->mapToSource(order->index(row, 0)).row() + 1;
    };
    for (int row = 1; row < rows.Count(); ++row) {
        const int first = positionShownAt(row - 1);
        const int second = positionShownAt(row);
        const std::strong_ordering keys =
            ascending ? keyOrder(first, second) : keyOrder(second, first);
        if (keys > 0 || (keys == 0 && first > second))
            std::abort();
    }
    // No row is selected, unless the process selected before is still there (the first
    // row with its id; the scripted processes all started before any snapshot): the
    // selection stays on it.
    int expected = 0;
    for (int position = 1; position <= rows.Count(); ++position) {
        if (!selectedId.isEmpty() && rows.Text(position) == selectedId) {
            expected = position;
            break;
        }
    }
    if (list.SelectedItem() != expected)
        std::abort();
    for (int position = 1; position <= rows.Count(); ++position) {
        const FakeOsLayer::Process& process = os.processes[static_cast<std::size_t>(position - 1)];
        if (rows.Text(position) != QString::number(process.pid) ||
            rows.Text(position, 2) != QString::number(process.threads))
            std::abort();
        // The decoding of other bytes is the widening's own target; here the shown name
        // must stop at the NUL and never carry leftovers of an earlier, longer name.
        const std::string name = process.name.substr(0, process.name.find('\0'));
        const QString shown = rows.Text(position, 1);
        if (shown.contains(QChar(0)) || shown.size() > static_cast<qsizetype>(name.size()))
            std::abort();
        const bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return c > 0; });
        if (ascii && shown != QLatin1String(name.data(), static_cast<qsizetype>(name.size())))
            std::abort();
    }
    return 0;
}
