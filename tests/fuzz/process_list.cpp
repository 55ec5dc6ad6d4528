// The main window's list after a refresh over a process table made from the input (any
// ids, thread counts and name bytes, NULs included): one row per process in the order
// delivered, each showing its id, its name up to the first NUL and its thread count; row
// 1 current, and no row selected unless the process selected before is still there. A
// message box or the end of the program is a failure. The window lives from one input to
// the next, so each refresh goes from the table before it to a new one: Qt's model tester
// checks every notification of the list's rows, and a sorting proxy above them must end
// with the same rows.
#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"
#include "tests/FakeOsLayer.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QSortFilterProxyModel>
#include <algorithm>
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
    static QAbstractItemModelTester tester(window.lstProcess->model(),
                                           QAbstractItemModelTester::FailureReportingMode::Fatal);
    static QSortFilterProxyModel* const sorted = [] {
        auto* proxy = new QSortFilterProxyModel;
        proxy->setSourceModel(window.lstProcess->model());
        proxy->sort(0);
        return proxy;
    }();
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
    const ProcessListModel& rows = window.lstProcess->ListItems();
    const int before = window.lstProcess->SelectedItem();
    const QString selectedId = before > 0 ? rows.Text(before) : QString();
    window.cmdRefresh();

    if (rows.Count() != static_cast<int>(os.processes.size()))
        std::abort();
    QStringList ids;
    for (int position = 1; position <= rows.Count(); ++position)
        ids << rows.Text(position);
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) { return a < b; });
    if (sorted->rowCount() != rows.Count())
        std::abort();
    for (int row = 0; row < sorted->rowCount(); ++row)
        if (sorted->index(row, 0).data().toString() != ids[row])
            std::abort();
    // No row is selected, unless the process selected before is still there (the first
    // row with its id; the scripted processes all started before any snapshot): the
    // selection stays on it.
    if (window.lstProcess->CurrentItem() != (rows.Count() > 0 ? 1 : 0))
        std::abort();
    int expected = 0;
    for (int position = 1; position <= rows.Count(); ++position) {
        if (!selectedId.isEmpty() && rows.Text(position) == selectedId) {
            expected = position;
            break;
        }
    }
    if (window.lstProcess->SelectedItem() != expected)
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
