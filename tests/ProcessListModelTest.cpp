// The process list's rows as views and proxy models above them see them: a refresh tells
// them only what changed, and what it tells them adds up to the new rows.
#include "main_window/ProcessListModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace {

struct Process {
    std::int32_t pid;
    QString name;
    int threads = 1;
};
using Table = std::vector<Process>;

// A refresh as the main window makes it: clear, a row for the all-zero record and one per
// process, remove row 1.
void refresh(ProcessListModel& model, const Table& table) {
    model.beginUpdate();
    model.Clear();
    for (std::size_t k = 0; k <= table.size(); ++k) {
        const Process process = k == 0 ? Process{0, {}, 0} : table[k - 1];
        const int row = model.Add(QString::number(process.pid));
        model.setIdentity(row, {process.pid, 1000});
        model.AddSubItem(row, process.name);
        model.AddSubItem(row, QString::number(process.threads));
        model.AddSubItem(row, QString::number(0));
    }
    model.Remove(1);
    model.endUpdate();
}

QStringList rowOf(const Process& process) {
    return {QString::number(process.pid), process.name, QString::number(process.threads),
            QStringLiteral("0")};
}

std::vector<QStringList> rowsOf(const Table& table) {
    std::vector<QStringList> rows;
    for (const Process& process : table)
        rows.push_back(rowOf(process));
    return rows;
}

QStringList cells(const QAbstractItemModel& model, int row) {
    QStringList texts;
    for (int column = 0; column < model.columnCount(); ++column)
        texts << model.index(row, column).data().toString();
    return texts;
}

// What a model shows, through its item interface.
std::vector<QStringList> shown(const QAbstractItemModel& model) {
    std::vector<QStringList> rows;
    for (int row = 0; row < model.rowCount(); ++row)
        rows.push_back(cells(model, row));
    return rows;
}

// The rows as someone who hears only the notifications knows them.
class Replica {
public:
    explicit Replica(const QAbstractItemModel& model) : rows(shown(model)) {
        QObject::connect(&model, &QAbstractItemModel::rowsInserted,
                         [&](const QModelIndex&, int first, int last) {
                             for (int row = first; row <= last; ++row)
                                 rows.insert(rows.begin() + row, cells(model, row));
                         });
        QObject::connect(&model, &QAbstractItemModel::rowsRemoved,
                         [&](const QModelIndex&, int first, int last) {
                             rows.erase(rows.begin() + first, rows.begin() + last + 1);
                         });
        QObject::connect(&model, &QAbstractItemModel::dataChanged,
                         [&](const QModelIndex& topLeft, const QModelIndex& bottomRight) {
                             for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
                                 for (int column = topLeft.column(); column <= bottomRight.column();
                                      ++column)
                                     rows[static_cast<std::size_t>(row)][column] =
                                         model.index(row, column).data().toString();
                         });
        QObject::connect(&model, &QAbstractItemModel::layoutChanged, [&] { rows = shown(model); });
        QObject::connect(&model, &QAbstractItemModel::modelReset, [&] { rows = shown(model); });
    }
    std::vector<QStringList> rows;
};

// Counts Qt's complaints about a model's notifications (QAbstractItemModelTester's).
class ModelComplaints {
public:
    ModelComplaints() { previous_ = qInstallMessageHandler(&ModelComplaints::handle); }
    ~ModelComplaints() { qInstallMessageHandler(previous_); }
    static inline int count = 0;
    static inline QString last;

private:
    static void handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type != QtDebugMsg && QByteArray(context.category) == "qt.modeltest") {
            ++count;
            last = text;
        }
    }
    QtMessageHandler previous_;
};

} // namespace

TEST(ProcessListModel, EveryRefreshReachesViewsAndProxiesAsExactlyTheNewRows) {
    ModelComplaints complaints;
    ModelComplaints::count = 0;
    ProcessListModel model({"Proc. ID", "Exe File", "Threads", "Usage"});
    QAbstractItemModelTester tester(&model,
                                    QAbstractItemModelTester::FailureReportingMode::Warning);
    QSortFilterProxyModel sorted;
    sorted.setSourceModel(&model);
    sorted.sort(1); // by name, as a sorted view would show the rows
    Replica replica(model);

    std::mt19937 random(13);
    const auto chance = [&](int percent) {
        return std::uniform_int_distribution<int>(0, 99)(random) < percent;
    };
    Table table;
    std::int32_t nextPid = 100;
    for (int k = 0; k < 60; ++k, ++nextPid)
        table.push_back({nextPid, QStringLiteral("proc%1").arg(nextPid), 1 + k % 5});
    for (int round = 0; round < 300; ++round) {
        // Rows the views hold on to: each must stay with its process while it lives.
        std::vector<std::pair<QPersistentModelIndex, std::int32_t>> held;
        for (int row = 0; row < model.rowCount(); row += 7)
            held.emplace_back(model.index(row, 1), model.Identity(row + 1).processId);

        Table next;
        for (const Process& process : table) {
            if (chance(8))
                continue; // ended
            next.push_back(process);
            if (chance(5))
                next.back().threads += 1;
            if (chance(2))
                next.back().name += QStringLiteral("-renamed");
        }
        while (chance(40)) {
            const auto at = std::uniform_int_distribution<std::size_t>(0, next.size())(random);
            next.insert(next.begin() + static_cast<std::ptrdiff_t>(at),
                        {nextPid, QStringLiteral("new%1").arg(nextPid), 1});
            ++nextPid;
        }
        if (next.size() > 2 && chance(10)) // an order the system changed
            std::swap(next[next.size() / 3], next[next.size() / 2]);
        if (!next.empty() && chance(5)) // the same id twice, as a scripted table may give
            next.push_back(next.front());
        table = next;

        refresh(model, table);
        const std::vector<QStringList> expected = rowsOf(table);
        ASSERT_EQ(shown(model), expected) << "round " << round;
        ASSERT_EQ(replica.rows, expected) << "round " << round;
        std::vector<QStringList> byName = expected;
        std::stable_sort(byName.begin(), byName.end(),
                         [](const QStringList& a, const QStringList& b) { return a[1] < b[1]; });
        ASSERT_EQ(shown(sorted), byName) << "round " << round;
        for (const auto& [index, pid] : held) {
            const bool lives = std::any_of(table.begin(), table.end(),
                                           [&](const Process& p) { return p.pid == pid; });
            ASSERT_EQ(index.isValid(), lives) << "round " << round << ", process " << pid;
            if (lives) {
                EXPECT_EQ(model.Identity(index.row() + 1).processId, pid) << "round " << round;
            }
        }
    }
    EXPECT_EQ(ModelComplaints::count, 0) << ModelComplaints::last.toStdString();
}

TEST(ProcessListModel, ARefreshTellsOnlyWhatChanged) {
    struct Case {
        const char* what;
        std::function<void(Table&)> change;
        int removed, inserted, changedCells, layouts; // notifications expected
    };
    const Case cases[] = {
        {"nothing", [](Table&) {}, 0, 0, 0, 0},
        {"a thread count", [](Table& t) { t[4].threads = 9; }, 0, 0, 1, 0},
        {"a name and a thread count",
         [](Table& t) {
             t[2] = {t[2].pid, "x", 9};
         },
         0, 0, 2, 0},
        {"a process ends", [](Table& t) { t.erase(t.begin() + 3); }, 1, 0, 0, 0},
        {"two neighbours end", [](Table& t) { t.erase(t.begin() + 3, t.begin() + 5); }, 1, 0, 0, 0},
        {"the first and the last end",
         [](Table& t) {
             t.pop_back();
             t.erase(t.begin());
         },
         2, 0, 0, 0},
        {"a process starts at the end",
         [](Table& t) {
             t.push_back({900, "new"});
         },
         0, 1, 0, 0},
        {"two start in the middle",
         [](Table& t) {
             t.insert(t.begin() + 5, {{901, "a"}, {902, "b"}});
         },
         0, 1, 0, 0},
        {"one ends, another starts in its place",
         [](Table& t) {
             t[6] = {903, "c"};
         },
         1, 1, 0, 0},
        {"two trade places", [](Table& t) { std::swap(t[1], t[7]); }, 0, 0, 0, 1},
    };
    for (const Case& test : cases) {
        ProcessListModel model({"Proc. ID", "Exe File", "Threads", "Usage"});
        Table table;
        for (std::int32_t pid = 100; pid < 110; ++pid)
            table.push_back({pid, QStringLiteral("proc%1").arg(pid), 2});
        refresh(model, table);
        QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QSignalSpy layouts(&model, &QAbstractItemModel::layoutChanged);
        QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
        test.change(table);
        refresh(model, table);
        EXPECT_EQ(shown(model), rowsOf(table)) << test.what;
        EXPECT_EQ(removed.count(), test.removed) << test.what;
        EXPECT_EQ(inserted.count(), test.inserted) << test.what;
        EXPECT_EQ(changed.count(), test.changedCells) << test.what;
        for (const QList<QVariant>& cell : changed) // one cell each
            EXPECT_EQ(cell[0].toModelIndex(), cell[1].toModelIndex()) << test.what;
        EXPECT_EQ(layouts.count(), test.layouts) << test.what;
        EXPECT_EQ(resets.count(), 0) << test.what;
    }
}

TEST(ProcessListModel, DuringAnUpdateViewsSeeTheOldRowsAndTheCallsTheNewOnes) {
    ProcessListModel model({"Proc. ID", "Exe File", "Threads", "Usage"});
    refresh(model, {{4, "System"}, {8, "init"}});
    QSignalSpy anything(&model, &QAbstractItemModel::rowsAboutToBeInserted);
    model.beginUpdate();
    model.Clear();
    EXPECT_EQ(model.Count(), 0);
    EXPECT_EQ(model.rowCount(), 2);
    // The all-zero record's row, then the system's own process 0, as Windows lists it.
    for (const std::int32_t pid : {0, 0, 4}) {
        const int row = model.Add(QString::number(pid));
        model.setIdentity(row, {pid, 2000});
    }
    EXPECT_EQ(model.Count(), 3);
    EXPECT_EQ(model.Text(3), "4");
    EXPECT_EQ(model.index(1, 0).data().toString(), "8");
    model.Remove(1);
    EXPECT_EQ(anything.count(), 0);
    model.endUpdate();
    ASSERT_EQ(model.rowCount(), 2);
    EXPECT_EQ(model.Text(1), "0"); // exactly one row of id 0 went: the first one added
    EXPECT_EQ(model.Text(2), "4");
    EXPECT_EQ(model.Identity(2).snapshotTime, 2000u);
    EXPECT_EQ(model.index(1, 0).data().toString(), "4");
}

// Rows given as views of text that is not the list's own, as the main window gives them:
// a cell that reads as before takes the string it had, so a refresh makes new strings only
// for what changed, also past a row that came or went before.
TEST(ProcessListModel, ACellThatReadsAsBeforeKeepsItsString) {
    ProcessListModel model({"Proc. ID", "Exe File", "Threads", "Usage"});
    Table table;
    for (std::int32_t pid = 100; pid < 110; ++pid)
        table.push_back({pid, QStringLiteral("proc%1").arg(pid), 2});
    refresh(model, table);
    std::vector<QStringList> before;
    for (int position = 1; position <= model.Count(); ++position)
        before.push_back(cells(model, position - 1));
    table[6].threads = 3; // process 106
    table.erase(table.begin() + 2);
    table.insert(table.begin() + 4, {200, "new"});

    model.beginUpdate();
    model.Clear();
    for (const Process& process : table) {
        const std::u16string texts[] = {QString::number(process.pid).toStdU16String(),
                                        process.name.toStdU16String(),
                                        QString::number(process.threads).toStdU16String(), u"0"};
        const int row = model.Add(QStringView(texts[0]));
        model.setIdentity(row, {process.pid, 2000});
        for (int column = 1; column < 4; ++column)
            model.AddSubItem(row, QStringView(texts[column]));
    }
    for (int position = 1; position <= model.Count(); ++position) {
        const std::int32_t pid = model.Identity(position).processId;
        if (pid == 200)
            continue;
        const QStringList& old = before[static_cast<std::size_t>(pid - 100)];
        for (int column = 0; column < 4; ++column) {
            const bool changed = pid == 106 && column == 2;
            EXPECT_EQ(model.Text(position, column).constData() == old[column].constData(), !changed)
                << pid << " column " << column;
        }
    }
    model.endUpdate();
    EXPECT_EQ(shown(model), rowsOf(table));
}
