#include "FakeOsLayer.h"
#include "RowOf.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>
#include <QScrollBar>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>
#include <vector>

namespace {

using Ids = std::vector<std::int32_t>;

// The process ids in the order the list shows them.
Ids shownIds(const ProcessListView& list) {
    Ids ids;
    for (int row = 0; row < list.model()->rowCount(); ++row)
        ids.push_back(list.model()->index(row, 0).data().toInt());
    return ids;
}

void clickHeader(ProcessListView& list, int column) {
    QHeaderView* header = list.header();
    EXPECT_TRUE(header->isVisible());
    const QPoint middle(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                        header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, middle);
}

// The main window, filled from the fake layer installed before it, shown and active.
struct ShownWindow {
    ShownWindow() {
        window.Load();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    }
    frmMain window;
    ProcessListView& list = *window.lstProcess;
};

// Sets the pause after which typing starts a new search, and puts the old one back.
struct KeyboardInputInterval {
    KeyboardInputInterval() : before(QApplication::keyboardInputInterval()) {}
    ~KeyboardInputInterval() { QApplication::setKeyboardInputInterval(before); }
    void set(int ms) { QApplication::setKeyboardInputInterval(ms); }
    int before;
};

} // namespace

TEST(ProcessListSorting, HeaderClicksSortByNumberOrNameThenReverseThenGiveBackTheSystemsOrder) {
    FakeOsLayer os;
    // Numbers that text order would put elsewhere (100 before 30, 12 before 3), names
    // equal but for case, and equal keys in every column.
    os.processes = {{30, "beta", 3, 5},
                    {4, "Alpha", 12, 0},
                    {200, "alpha", 3, 7},
                    {9, "gamma", 1, 0},
                    {100, "Beta", 2, 10}};
    const Ids systemOrder = {30, 4, 200, 9, 100};
    ShownWindow shown;
    ProcessListView& list = shown.list;
    QHeaderView* header = list.header();
    struct Column {
        const char* name;
        Ids ascending, descending; // equal keys stay in system order both ways
    };
    const Column columns[] = {
        {"Proc. ID", {4, 9, 30, 100, 200}, {200, 100, 30, 9, 4}},
        {"Exe File", {4, 200, 30, 100, 9}, {9, 30, 100, 4, 200}},
        {"Threads", {9, 100, 30, 200, 4}, {4, 30, 200, 100, 9}},
        {"Usage", {4, 9, 30, 200, 100}, {100, 200, 30, 4, 9}},
    };
    ASSERT_EQ(shownIds(list), systemOrder);
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(columns[column].name);
        // The indicator is drawn above the caption, which keeps its place and width.
        const int left = header->sectionViewportPosition(column);
        const int width = header->sectionSize(column);
        const auto indicator = [&] {
            return header->grab(QRect(left, 0, width, 6)).toImage();
        };
        const auto caption = [&] {
            return header->grab(QRect(left, 6, width, header->height() - 6)).toImage();
        };

        clickHeader(list, column);
        EXPECT_EQ(shownIds(list), columns[column].ascending);
        EXPECT_EQ(header->sortIndicatorSection(), column);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
        const QImage ascending = indicator();
        const QImage ascendingCaption = caption();

        clickHeader(list, column);
        EXPECT_EQ(shownIds(list), columns[column].descending);
        EXPECT_EQ(header->sortIndicatorSection(), column);
        EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
        const QImage descending = indicator();

        clickHeader(list, column);
        EXPECT_EQ(shownIds(list), systemOrder);
        EXPECT_EQ(header->sortIndicatorSection(), -1);
        EXPECT_NE(ascending, indicator());
        EXPECT_NE(descending, indicator());
        EXPECT_NE(ascending, descending);
        EXPECT_EQ(ascendingCaption, caption());
    }
    EXPECT_EQ(os.openHandles(), 0);
}

TEST(ProcessListSorting, TheOrderHoldsAcrossRefreshesAndTheSelectionFollowsOnlyTheChosenProcess) {
    FakeOsLayer os;
    os.setProcessCount(60); // ids 100 to 159 with 1 to 7 threads
    ShownWindow shown;
    frmMain& window = shown.window;
    ProcessListView& list = shown.list;
    list.setSelectedItem(rowOf(window, 130));
    const auto selectedRowInSight = [&] {
        const QRect row = list.visualRect(list.selectionModel()->selectedRows().value(0));
        return list.viewport()->rect().contains(row);
    };
    // The sorts move the chosen row, and it stays in sight.
    for (int click = 0; click < 2; ++click) {
        clickHeader(list, 2); // by threads, then most threads first
        EXPECT_TRUE(selectedRowInSight()) << click;
    }
    const auto expectedOrder = [&] {
        std::vector<FakeOsLayer::Process> sorted = os.processes;
        std::stable_sort(sorted.begin(), sorted.end(),
                         [](const auto& a, const auto& b) { return a.threads > b.threads; });
        Ids ids;
        for (const auto& process : sorted)
            ids.push_back(process.pid);
        return ids;
    };
    const auto expectTheSortedRows = [&] {
        EXPECT_EQ(shownIds(list), expectedOrder());
        EXPECT_EQ(list.header()->sortIndicatorSection(), 2);
        EXPECT_EQ(list.header()->sortIndicatorOrder(), Qt::DescendingOrder);
    };
    expectTheSortedRows(); // record 0's row, with no threads, would come last

    list.verticalScrollBar()->setValue(20);
    // One process ends, one starts, and a refresh keeps the chosen one selected.
    std::erase_if(os.processes, [](const FakeOsLayer::Process& p) { return p.pid == 110; });
    os.processes.push_back({170, "newcomer", 7, 0});
    window.cmdRefresh();
    expectTheSortedRows();
    EXPECT_EQ(list.SelectedItem(), rowOf(window, 130));
    EXPECT_EQ(list.verticalScrollBar()->value(), 20);

    // The chosen process ends and a newer one gets its id: that row is not the user's.
    os.now += 10;
    for (auto& process : os.processes)
        if (process.pid == 130)
            process = {130, "reused", 7, 0, os.now - 5};
    window.cmdRefresh();
    expectTheSortedRows();
    EXPECT_NE(rowOf(window, 130), 0);
    EXPECT_EQ(list.SelectedItem(), 0);
    EXPECT_EQ(list.verticalScrollBar()->value(), 20);
    // Where nothing is chosen, the keyboard starts at the row shown first.
    EXPECT_EQ(list.currentIndex().row(), 0);
    EXPECT_EQ(currentRow(list), rowOf(window, expectedOrder().front()));
    EXPECT_EQ(os.openHandles(), 0);
}

// As a refresh that changes rows one at a time rather than all at once tells of them: a
// row added with its id alone, its sub-items one by one, a row taken out.
TEST(ProcessListSorting, RowsAddedFilledAndRemovedOneByOneTakeTheirPlacesInTheOrder) {
    ProcessListModel rows({"Proc. ID", "Exe File", "Threads", "Usage"});
    ProcessListSortModel sorted(rows);
    const auto add = [&](const char* id, const char* name, const char* threads) {
        const int position = rows.Add(id);
        for (const char* text : {name, threads, "0"})
            rows.AddSubItem(position, text);
    };
    const auto order = [&](Qt::SortOrder direction) {
        sorted.sort(2, direction);
        Ids ids;
        for (int row = 0; row < sorted.rowCount(); ++row)
            ids.push_back(sorted.index(row, 0).data().toInt());
        return ids;
    };
    sorted.sort(2, Qt::AscendingOrder);
    for (const auto& [id, name, threads] :
         {std::tuple{"5", "e", "3"}, {"1", "a", "12"}, {"3", "c", "1"}, {"4", "d", "3"}})
        add(id, name, threads);
    EXPECT_EQ(order(Qt::AscendingOrder), (Ids{3, 5, 4, 1}));
    EXPECT_EQ(order(Qt::DescendingOrder), (Ids{1, 5, 4, 3}));
    rows.Remove(1);
    EXPECT_EQ(order(Qt::AscendingOrder), (Ids{3, 4, 1}));
    EXPECT_EQ(order(Qt::DescendingOrder), (Ids{1, 4, 3}));
}

TEST(ProcessListSorting, KillEndsTheProcessOfTheRowClickedInASortedList) {
    FakeOsLayer os;
    os.processes = {{10, "delta"}, {11, "alpha"}, {12, "charlie"}, {13, "bravo"}};
    ShownWindow shown;
    ProcessListView& list = shown.list;
    clickHeader(list, 1);
    clickHeader(list, 1);
    ASSERT_EQ(shownIds(list), (Ids{10, 12, 13, 11}));
    const QRect second = list.visualRect(list.model()->index(1, 1));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(list.SelectedItem(), rowOf(shown.window, 12));

    shown.window.cmdKillProcess->click();
    EXPECT_EQ(os.terminated, Ids{12});
    EXPECT_EQ(shownIds(list), (Ids{10, 13, 11}));
    EXPECT_EQ(list.SelectedItem(), 0);
}

TEST(FindAsYouType, LettersSelectTheNextRowWhoseNameStartsWithThemInTheOrderShown) {
    FakeOsLayer os;
    os.processes = {{20, "zsh"},  {21, "bash"}, {22, "Bluetoothd"}, {23, "cron"},
                    {24, "bash"}, {25, "sshd"}, {26, "systemd"},    {27, "kworker"}};
    ShownWindow shown;
    ProcessListView& list = shown.list;
    ASSERT_TRUE(list.hasFocus());
    KeyboardInputInterval interval;
    interval.set(60000);
    struct Typing {
        const char* keys;
        bool afterAPause; // else within the keyboard input interval of the keys before
        std::int32_t selected;
    };
    const auto type = [&](const Typing& typing) {
        SCOPED_TRACE(typing.keys);
        if (typing.afterAPause) {
            interval.set(1);
            QElapsedTimer sinceTheLastKey;
            sinceTheLastKey.start();
            EXPECT_TRUE(QTest::qWaitFor([&] { return sinceTheLastKey.elapsed() > 1; }, 1000));
        }
        // As a user types: through the window, to the list that has the focus; the
        // search reads the interval at each key.
        for (const char* key = typing.keys; *key; ++key) {
            QTest::keyClick(shown.window.windowHandle(), *key);
            interval.set(60000);
        }
        EXPECT_EQ(list.SelectedItem(), rowOf(shown.window, typing.selected));
        EXPECT_EQ(currentRow(list), list.SelectedItem());
        EXPECT_EQ(list.selectionModel()->selectedRows().size(), 1);
    };

    // In the system's order, from row 1 (zsh), which is current but not selected.
    const Typing systemOrder[] = {
        {"b", true, 21},  {"b", false, 22}, {"b", false, 24},   {"b", false, 21}, {"bl", true, 22},
        {"sy", true, 26}, {"c", true, 23},  {"s", true, 25},    {"y", true, 25},  {"x", true, 25},
        {"z", true, 20},  {"K", true, 27},  {"CRON", true, 23},
    };
    for (const Typing& typing : systemOrder)
        type(typing);
    EXPECT_TRUE(os.terminated.empty()) << "a plain K is a letter, not Alt+K";
    list.selectionModel()->clearCurrentIndex(); // with no current row, from the top
    type({"b", true, 21});

    // Sorted by name, from the row shown first (bash 21).
    clickHeader(list, 1);
    list.setFocus();
    list.clearSelectedItem();
    shown.window.cmdRefresh();
    ASSERT_EQ(currentRow(list), rowOf(shown.window, 21));
    const Typing byName[] = {{"b", true, 24}, {"b", false, 22}, {"b", false, 21}, {"zs", true, 20}};
    for (const Typing& typing : byName)
        type(typing);

    // The row found is chosen as by a click: Alt+K ends it.
    QTest::keyClick(shown.window.windowHandle(), Qt::Key_K, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !os.terminated.empty(); }, 3000));
    EXPECT_EQ(os.terminated, Ids{20});
}
