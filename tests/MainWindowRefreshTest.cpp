#include "FakeOsLayer.h"
#include "LogCapture.h"
#include "RowOf.h"
#include "Ticking.h"
#include "main_window/main_window.h"

#include <QHeaderView>
#include <QLoggingCategory>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Runs what a refresh leaves for the event loop: the list's layout, then its paints.
void settle() {
    for (int pass = 0; pass < 10; ++pass)
        QCoreApplication::processEvents();
}

QStringList column(const ProcessListModel& rows, int column) {
    QStringList texts;
    for (int position = 1; position <= rows.Count(); ++position)
        texts << rows.Text(position, column);
    return texts;
}

} // namespace

TEST(MainWindowRefresh, LoadFillsOneRowPerProcessInSnapshotOrderWithRowOneCurrentNotSelected) {
    FakeOsLayer os;
    os.processes = {{4, "System", 90, 2}, {300, "init", 1, 0}, {12, "zeta", 3, 0}};
    frmMain window;
    window.Load();
    const ProcessListModel& rows = window.lstProcess->ListItems();
    ASSERT_EQ(rows.Count(), 3);
    EXPECT_EQ(column(rows, 0), QStringList({"4", "300", "12"}));
    EXPECT_EQ(column(rows, 1), QStringList({"System", "init", "zeta"}));
    EXPECT_EQ(column(rows, 2), QStringList({"90", "1", "3"}));
    EXPECT_EQ(column(rows, 3), QStringList({"2", "0", "0"}));
    EXPECT_EQ(currentRow(*window.lstProcess), 1);
    EXPECT_EQ(window.lstProcess->SelectedItem(), 0);
    EXPECT_TRUE(window.optYes->isChecked());
    EXPECT_EQ(window.lngProcessCount, 3);
    EXPECT_EQ(os.openHandles(), 0);
}

TEST(MainWindowRefresh, TheCurrentRowLooksNoMoreChosenThanAnyOtherUntilItIsSelected) {
    FakeOsLayer os;
    os.setProcessCount(3);
    frmMain window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    window.Load();
    ProcessListView& list = *window.lstProcess;
    list.setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return list.hasFocus(); }));
    ASSERT_EQ(currentRow(list), 1);
    // A blank place of the last column, in the middle of row 1 and of row 3.
    const QRect first = list.visualRect(list.model()->index(0, 3));
    const QPoint blank(first.right() - 3, first.center().y());
    const int third = list.visualRect(list.model()->index(2, 3)).center().y();
    const auto looks = [&](QPoint place) {
        return list.viewport()->grab().toImage().pixel(place);
    };
    EXPECT_EQ(looks(blank), looks({blank.x(), third}));
    list.setSelectedItem(1);
    EXPECT_NE(looks(blank), looks({blank.x(), third})) << "a selected row stands out";
}

TEST(MainWindowRefresh, TheRowOfRecordZeroNeverStaysWhateverTheCount) {
    FakeOsLayer os;
    frmMain window;
    window.Load();
    for (int count : {0, 1, 19, 20, 21, 250}) {
        os.setProcessCount(count);
        window.cmdRefresh();
        const ProcessListModel& rows = window.lstProcess->ListItems();
        ASSERT_EQ(rows.Count(), count);
        EXPECT_FALSE(column(rows, 0).contains("0")) << count;
        EXPECT_EQ(currentRow(*window.lstProcess), count > 0 ? 1 : 0);
    }
}

TEST(MainWindowRefresh, ShorterNamesShowWithoutTheLeftoversOfLongerOnes) {
    FakeOsLayer os;
    os.processes = {{10, "a-very-long-process-name"}, {11, "sh"}};
    frmMain window;
    window.Load();
    EXPECT_EQ(window.lstProcess->ListItems().Text(2, 1), "sh");
    const QModelIndex shown = window.lstProcess->model()->index(1, 1);
    EXPECT_EQ(shown.data().toString(), "sh");
}

TEST(MainWindowRefresh, AFailingSnapshotEmptiesTheList) {
    FakeOsLayer os;
    os.setProcessCount(30);
    frmMain window;
    window.Load();
    ASSERT_EQ(window.lstProcess->ListItems().Count(), 30);
    os.snapshotFails = true;
    window.cmdRefresh();
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 0);
    EXPECT_EQ(window.lstProcess->SelectedItem(), 0);
}

TEST(MainWindowRefresh, NoSnapshotEverSucceededLeavesAnEmptyListAndNoError) {
    FakeOsLayer os;
    os.snapshotFails = true;
    LogCapture log;
    const auto refreshLog = [&] {
        return log.messages().filter("korvanta.refresh: ");
    };
    frmMain window;
    window.Load();
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 0);
    EXPECT_TRUE(refreshLog().isEmpty()) << "debug messages are off unless asked for";
    // What a refresh skips is logged at debug level.
    QLoggingCategory::setFilterRules(QStringLiteral("korvanta.refresh.debug=true"));
    window.cmdRefresh();
    QLoggingCategory::setFilterRules(QString());
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 0);
    ASSERT_FALSE(refreshLog().isEmpty());
    EXPECT_EQ(refreshLog()[0],
              "korvanta.refresh: Refresh: a step was skipped: Subscript out of range");
    EXPECT_EQ(log.messages(QtDebugMsg).filter("korvanta.refresh: "), refreshLog());
}

TEST(MainWindowRefresh, TheSelectionFollowsTheChosenProcessOnlyAndTheScrollPositionStays) {
    FakeOsLayer os;
    os.setProcessCount(200);
    frmMain window;
    window.show();
    window.Load();
    ProcessListView& list = *window.lstProcess;
    list.setSelectedItem(150); // pid 249
    list.verticalScrollBar()->setValue(120);
    os.processes.erase(os.processes.begin() + 3); // an earlier row goes away
    window.cmdRefresh();
    ASSERT_EQ(list.SelectedItem(), 149);
    EXPECT_EQ(list.ListItems().Text(149), "249");
    EXPECT_EQ(list.verticalScrollBar()->value(), 120);

    // Its id now names a process created since that snapshot: nothing is selected.
    os.processes[148].created = os.now;
    window.cmdRefresh();
    EXPECT_EQ(list.SelectedItem(), 0);

    // The chosen process has ended: nothing is selected.
    list.setSelectedItem(10);
    list.verticalScrollBar()->setValue(120);
    std::erase_if(os.processes, [](const FakeOsLayer::Process& p) { return p.pid == 110; });
    window.cmdRefresh();
    EXPECT_EQ(list.SelectedItem(), 0);
    EXPECT_EQ(list.verticalScrollBar()->value(), 120);
    EXPECT_EQ(os.openHandles(), 0);
}

// Qt's view makes a neighbour current and selected when the current row goes; the program
// must not: the current row is only where keyboard navigation starts.
TEST(MainWindowRefresh, TheEndOfTheCurrentRowsProcessSelectsNoOtherRow) {
    for (const int sortColumn : {-1, 0, 2}) {
        FakeOsLayer os;
        os.processes = {{10, "a", 1}, {11, "b", 2}, {12, "c", 3}};
        frmMain window;
        window.show();
        window.Load();
        ProcessListView& list = *window.lstProcess;
        list.sortByColumn(sortColumn, Qt::DescendingOrder);
        window.cmdRefresh();
        const int first = list.FirstItemShown();
        ASSERT_EQ(currentRow(list), first) << sortColumn;
        ASSERT_EQ(list.SelectedItem(), 0) << sortColumn;
        const QString gone = list.ListItems().Text(first);
        std::erase_if(os.processes, [&](const FakeOsLayer::Process& p) {
            return QString::number(p.pid) == gone;
        });
        window.cmdRefresh();
        EXPECT_EQ(list.ListItems().Count(), 2) << sortColumn;
        EXPECT_EQ(list.SelectedItem(), 0) << sortColumn;
        EXPECT_EQ(currentRow(list), list.FirstItemShown()) << sortColumn;
    }
}

TEST(MainWindowRefresh, MoreThan32767ProcessesShowTheFirst32767OfTheNewSnapshotOnly) {
    FakeOsLayer os;
    os.setProcessCount(10);
    frmMain window;
    window.Load();
    os.setProcessCount(32800);
    for (auto& process : os.processes)
        process.pid += 100000;
    window.cmdRefresh();
    const ProcessListModel& rows = window.lstProcess->ListItems();
    ASSERT_EQ(rows.Count(), 32767);
    EXPECT_EQ(rows.Text(1), "100100");
    EXPECT_EQ(rows.Text(32767), QString::number(100100 + 32766));
}

TEST(MainWindowRefresh, TheRefreshTimerStartsOffAndRefreshesOnEachTick) {
    FakeOsLayer os;
    os.setProcessCount(3);
    frmMain window;
    window.Load();
    window.show();
    EXPECT_FALSE(window.Timer2->Enabled());
    EXPECT_EQ(window.Timer2->Interval(), 600);
    EXPECT_FALSE(ticking(*window.Timer2));
    EXPECT_TRUE(window.Timer1->Enabled());
    EXPECT_EQ(window.Timer1->Interval(), 0);
    EXPECT_FALSE(ticking(*window.Timer1)) << "an interval of 0 never fires";

    const int before = os.snapshotsTaken;
    window.Timer2->setInterval(10);
    window.Timer2->setEnabled(true);
    EXPECT_TRUE(ticking(*window.Timer2));
    os.setProcessCount(5);
    EXPECT_TRUE(QTest::qWaitFor([&] { return os.snapshotsTaken >= before + 2; }, 5000));
    EXPECT_EQ(window.lstProcess->ListItems().Count(), 5);
    window.Timer2->setEnabled(false);
    EXPECT_FALSE(ticking(*window.Timer2));
}

// Whatever a refresh changes, in sight or below it, what is on the screen afterwards is
// what the list would paint afresh: nothing is left stale.
TEST(MainWindowRefresh, AfterARefreshTheScreenShowsWhatTheListWouldPaintAfresh) {
    FakeOsLayer os;
    os.setProcessCount(300); // proc100 .. proc399; the list shows about the first twenty
    frmMain window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    window.Load();
    settle();
    ProcessListView& list = *window.lstProcess;
    ASSERT_FALSE(list.viewport()->rect().intersects(list.visualRect(list.model()->index(250, 0))));

    const auto pidAt = [&](int index) {
        return std::find_if(os.processes.begin(), os.processes.end(),
                            [&](const FakeOsLayer::Process& p) { return p.pid == 100 + index; });
    };
    struct Change {
        const char* what;
        std::function<void()> make;
    };
    const Change changes[] = {
        {"nothing",
         [] {
         }},
        {"the thread count of a row below the shown ones",
         [&] {
             pidAt(250)->threads = 77;
         }},
        {"the name of a row below",
         [&] {
             pidAt(251)->name = "renamed";
         }},
        {"a process below ends",
         [&] {
             os.processes.erase(pidAt(260));
         }},
        {"a process starts at the end",
         [&] {
             os.processes.push_back({5000, "new"});
         }},
        {"a process starts below the shown ones",
         [&] {
             os.processes.insert(pidAt(270), {4000, "new"});
         }},
        {"the thread count of a shown row",
         [&] {
             pidAt(2)->threads = 55;
         }},
        {"a shown process ends",
         [&] {
             os.processes.erase(pidAt(5));
         }},
        {"a process starts among the shown ones",
         [&] {
             os.processes.insert(pidAt(3), {4001, "new"});
         }},
    };
    for (const Change& change : changes) {
        change.make();
        window.cmdRefresh();
        settle();
        ASSERT_EQ(list.ListItems().Count(), static_cast<int>(os.processes.size()));
        EXPECT_EQ(list.ListItems().Text(1, 1), "proc100") << change.what;
        const QPoint corner = list.viewport()->mapTo(&window, QPoint(0, 0));
        const QImage onScreen =
            window.screen()
                ->grabWindow(window.winId(), corner.x(), corner.y(), list.viewport()->width(),
                             list.viewport()->height())
                .toImage()
                .convertToFormat(QImage::Format_RGB32);
        const QImage afresh =
            list.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        EXPECT_TRUE(onScreen == afresh) << change.what;
    }
}
