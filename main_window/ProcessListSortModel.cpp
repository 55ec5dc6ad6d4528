#include "ProcessListSortModel.h"

#include <compare>

namespace {

constexpr int kNameColumn = 1;

} // namespace

ProcessListSortModel::ProcessListSortModel(ProcessListModel& rows, QObject* parent)
    : QSortFilterProxyModel(parent), rows_(rows) {
    // Connected before the proxy's own handlers, which may sort with the keys.
    const auto forgetKeys = [this] {
        ++generation_;
    };
    connect(&rows, &QAbstractItemModel::modelReset, this, forgetKeys);
    connect(&rows, &QAbstractItemModel::layoutChanged, this, forgetKeys);
    connect(&rows, &QAbstractItemModel::dataChanged, this, forgetKeys);
    connect(&rows, &QAbstractItemModel::rowsInserted, this, forgetKeys);
    connect(&rows, &QAbstractItemModel::rowsRemoved, this, forgetKeys);
    connect(&rows, &QAbstractItemModel::rowsMoved, this, forgetKeys);
    setSourceModel(&rows);
}

// A cell that holds no number, such as one a failing step of the refresh left empty,
// counts as 0.
const ProcessListSortModel::Key& ProcessListSortModel::keyOf(int row, int column) const {
    if (column != keysColumn_) {
        ++generation_;
        keysColumn_ = column;
    }
    if (keys_.size() < static_cast<std::size_t>(rows_.Count()))
        keys_.resize(static_cast<std::size_t>(rows_.Count()));
    Key& key = keys_[static_cast<std::size_t>(row)];
    if (key.generation == generation_)
        return key;
    key.generation = generation_;
    const QString text = rows_.Text(row + 1, column);
    if (column == kNameColumn)
        key.name = text.toCaseFolded();
    else
        key.number = text.toLongLong();
    return key;
}

bool ProcessListSortModel::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    const int column = left.column();
    const Key& first = keyOf(left.row(), column);
    const Key& second = keyOf(right.row(), column);
    const std::strong_ordering order = column == kNameColumn
                                           ? QString::compare(first.name, second.name) <=> 0
                                           : first.number <=> second.number;
    if (order != 0)
        return order < 0;
    // A descending sort asks with the two rows swapped; equal keys stay in system order.
    return sortOrder() == Qt::AscendingOrder ? left.row() < right.row() : left.row() > right.row();
}
