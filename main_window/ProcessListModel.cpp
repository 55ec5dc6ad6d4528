#include "ProcessListModel.h"

#include "app/RuntimeError.h"

namespace {

QString upToNul(const QString& text) {
    const qsizetype nul = text.indexOf(QChar(u'\0'));
    return nul < 0 ? text : text.left(nul);
}

} // namespace

ProcessListModel::ProcessListModel(const QStringList& headers, QObject* parent)
    : QAbstractTableModel(parent), headers_(headers) {}

void ProcessListModel::checkPosition(int position) const {
    if (position < 1 || position > Count())
        throw RuntimeError(RuntimeError::IndexOutOfBounds);
}

int ProcessListModel::Add(const QString& text) {
    const int row = Count();
    if (!updating_)
        beginInsertRows(QModelIndex(), row, row);
    rows_.emplace_back();
    rows_.back().texts[0] = upToNul(text);
    if (!updating_)
        endInsertRows();
    return row + 1;
}

void ProcessListModel::AddSubItem(int position, const QString& text) {
    checkPosition(position);
    Row& row = rows_[static_cast<std::size_t>(position - 1)];
    if (row.columns >= kColumns)
        throw RuntimeError(RuntimeError::InvalidPropertyValue);
    const int column = row.columns++;
    row.texts[static_cast<std::size_t>(column)] = upToNul(text);
    if (!updating_)
        emit dataChanged(index(position - 1, column), index(position - 1, column));
}

void ProcessListModel::Remove(int position) {
    checkPosition(position);
    if (!updating_)
        beginRemoveRows(QModelIndex(), position - 1, position - 1);
    rows_.erase(rows_.begin() + (position - 1));
    if (!updating_)
        endRemoveRows();
}

void ProcessListModel::Clear() {
    if (!updating_)
        beginResetModel();
    rows_.clear();
    if (!updating_)
        endResetModel();
}

QString ProcessListModel::Text(int position, int column) const {
    checkPosition(position);
    if (column < 0 || column >= kColumns)
        throw RuntimeError(RuntimeError::InvalidPropertyValue);
    return rows_[static_cast<std::size_t>(position - 1)].texts[static_cast<std::size_t>(column)];
}

ProcessIdentity ProcessListModel::Identity(int position) const {
    checkPosition(position);
    return rows_[static_cast<std::size_t>(position - 1)].identity;
}

void ProcessListModel::setIdentity(int position, const ProcessIdentity& identity) {
    checkPosition(position);
    rows_[static_cast<std::size_t>(position - 1)].identity = identity;
}

void ProcessListModel::beginUpdate() {
    if (updating_)
        return;
    beginResetModel();
    updating_ = true;
}

void ProcessListModel::endUpdate() {
    if (!updating_)
        return;
    updating_ = false;
    endResetModel();
}

int ProcessListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : Count();
}

int ProcessListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ProcessListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= Count())
        return {};
    return rows_[static_cast<std::size_t>(index.row())]
        .texts[static_cast<std::size_t>(index.column())];
}

QVariant ProcessListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= headers_.size())
        return {};
    if (role == Qt::DisplayRole)
        return headers_[section];
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}
