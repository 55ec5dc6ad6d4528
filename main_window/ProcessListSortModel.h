#pragma once

#include "ProcessListModel.h"

#include <QSortFilterProxyModel>
#include <cstdint>
#include <vector>

// The process list's rows in the order the user chose with a click on a column header: by
// number for "Proc. ID", "Threads" and "Usage", by name regardless of case for "Exe File",
// or, with no sort column (-1), as the system delivered them. Rows whose keys are equal
// keep the system's order in either direction, so the order never depends on what the
// list showed before. The rows themselves, and their positions, stay ProcessListModel's.
class ProcessListSortModel : public QSortFilterProxyModel {
    Q_OBJECT
public:
    explicit ProcessListSortModel(ProcessListModel& rows, QObject* parent = nullptr);

protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;

private:
    // A row's key in the sort column, read from its text once rather than at each of the
    // n log n comparisons of a sort. Every change of the rows that a model announces
    // (reset, layout, data, rows inserted, removed or moved) makes every key stale.
    struct Key {
        std::uint64_t generation = 0;
        qlonglong number = 0;
        QString name; // case-folded
    };
    const Key& keyOf(int row, int column) const;

    const ProcessListModel& rows_;
    mutable std::vector<Key> keys_;
    mutable int keysColumn_ = -1;
    mutable std::uint64_t generation_ = 1;
};
