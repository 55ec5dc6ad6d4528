#include "ProcessListModel.h"

#include "app/RuntimeError.h"

#include <algorithm>
#include <unordered_map>

namespace {

QStringView upToNul(QStringView text) {
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

const std::vector<ProcessListModel::Row>& ProcessListModel::edited() const {
    return pendingStarted_ ? pending_ : rows_;
}

std::vector<ProcessListModel::Row>& ProcessListModel::edited() {
    if (!updating_)
        return rows_;
    if (!pendingStarted_) {
        pending_ = rows_;
        pendingStarted_ = true;
    }
    return pending_;
}

int ProcessListModel::Add(const QString& text) {
    return add(text, &text);
}

int ProcessListModel::Add(QStringView text) {
    return add(text, nullptr);
}

void ProcessListModel::AddSubItem(int position, const QString& text) {
    addSubItem(position, text, &text);
}

void ProcessListModel::AddSubItem(int position, QStringView text) {
    addSubItem(position, text, nullptr);
}

int ProcessListModel::add(QStringView text, const QString* given) {
    std::vector<Row>& rows = edited();
    const int row = static_cast<int>(rows.size());
    if (!updating_)
        beginInsertRows(QModelIndex(), row, row);
    text = upToNul(text);
    guessOldRow(text);
    rows.emplace_back();
    rows.back().texts[0] = cellText(0, text, given);
    if (!updating_)
        endInsertRows();
    return row + 1;
}

void ProcessListModel::addSubItem(int position, QStringView text, const QString* given) {
    checkPosition(position);
    std::vector<Row>& rows = edited();
    Row& row = rows[static_cast<std::size_t>(position - 1)];
    if (row.columns >= kColumns)
        throw RuntimeError(RuntimeError::InvalidPropertyValue);
    const int column = row.columns++;
    // The guess is of the last row added.
    if (position != static_cast<int>(rows.size()))
        guess_ = -1;
    row.texts[static_cast<std::size_t>(column)] = cellText(column, upToNul(text), given);
    if (!updating_)
        emit dataChanged(index(position - 1, column), index(position - 1, column));
}

// A refresh adds its rows mostly in the order of the last one: the old row after the one
// last guessed, or one of the next few, is likely the one with this id.
void ProcessListModel::guessOldRow(QStringView id) {
    guess_ = -1;
    if (!updating_)
        return;
    const std::size_t end = std::min(rows_.size(), nextGuess_ + 4);
    for (std::size_t k = nextGuess_; k < end; ++k) {
        if (rows_[k].texts[0] == id) {
            guess_ = static_cast<std::ptrdiff_t>(k);
            nextGuess_ = k + 1;
            return;
        }
    }
}

// The old row's own string when the cell reads the same, or the caller's, or a new one.
QString ProcessListModel::cellText(int column, QStringView text, const QString* given) const {
    if (guess_ >= 0) {
        const QString& old =
            rows_[static_cast<std::size_t>(guess_)].texts[static_cast<std::size_t>(column)];
        if (old == text)
            return old;
    }
    if (given && given->size() == text.size())
        return *given;
    return text.toString();
}

void ProcessListModel::Remove(int position) {
    checkPosition(position);
    std::vector<Row>& rows = edited();
    if (!updating_)
        beginRemoveRows(QModelIndex(), position - 1, position - 1);
    rows.erase(rows.begin() + (position - 1));
    if (!updating_)
        endRemoveRows();
}

void ProcessListModel::Clear() {
    if (updating_) {
        pending_.clear();
        pendingStarted_ = true;
        guess_ = -1;
        nextGuess_ = 0;
        return;
    }
    if (rows_.empty())
        return;
    beginRemoveRows(QModelIndex(), 0, Count() - 1);
    rows_.clear();
    endRemoveRows();
}

QString ProcessListModel::Text(int position, int column) const {
    checkPosition(position);
    if (column < 0 || column >= kColumns)
        throw RuntimeError(RuntimeError::InvalidPropertyValue);
    return edited()[static_cast<std::size_t>(position - 1)].texts[static_cast<std::size_t>(column)];
}

ProcessIdentity ProcessListModel::Identity(int position) const {
    checkPosition(position);
    return edited()[static_cast<std::size_t>(position - 1)].identity;
}

void ProcessListModel::setIdentity(int position, const ProcessIdentity& identity) {
    checkPosition(position);
    edited()[static_cast<std::size_t>(position - 1)].identity = identity;
}

void ProcessListModel::beginUpdate() {
    updating_ = true;
    guess_ = -1;
    nextGuess_ = 0;
}

void ProcessListModel::endUpdate() {
    if (!updating_)
        return;
    updating_ = false;
    guess_ = -1;
    if (!pendingStarted_)
        return; // nothing was touched
    pendingStarted_ = false;
    std::vector<Row> next;
    next.swap(pending_);

    oldOf_.assign(next.size(), -1);
    newOf_.assign(rows_.size(), -1);
    std::vector<int>& oldOf = oldOf_;
    std::vector<int>& newOf = newOf_;
    matchRows(next, oldOf, newOf);
    applying_ = true;
    // Cells first, while the rows are where the views have them.
    changeTexts(next, newOf);
    removeGoneRows(newOf);
    reorder(newOf);
    insertNewRows(next, oldOf);
    applying_ = false;

    next.clear();
    pending_.swap(next); // keeps its room for the next update
}

void ProcessListModel::matchRows(const std::vector<Row>& next, std::vector<int>& oldOf,
                                 std::vector<int>& newOf) const {
    // Most refreshes find most processes where they were: those rows match by place.
    const std::size_t common = std::min(next.size(), rows_.size());
    std::size_t same = 0;
    while (same < common && next[same].identity.processId == rows_[same].identity.processId) {
        oldOf[same] = static_cast<int>(same);
        newOf[same] = static_cast<int>(same);
        ++same;
    }
    if (same == next.size() || same == rows_.size())
        return;
    // The rest by id: firstOld gives an id's first unmatched old row, laterOld the next
    // old row of the same id.
    std::unordered_map<std::int32_t, int> firstOld;
    firstOld.reserve(rows_.size() - same);
    std::vector<int> laterOld(rows_.size(), -1);
    for (std::size_t i = rows_.size(); i-- > same;) {
        const auto [found, added] =
            firstOld.try_emplace(rows_[i].identity.processId, static_cast<int>(i));
        if (!added) {
            laterOld[i] = found->second;
            found->second = static_cast<int>(i);
        }
    }
    for (std::size_t j = same; j < next.size(); ++j) {
        const auto found = firstOld.find(next[j].identity.processId);
        if (found == firstOld.end() || found->second < 0)
            continue;
        const int i = found->second;
        found->second = laterOld[static_cast<std::size_t>(i)];
        oldOf[j] = i;
        newOf[static_cast<std::size_t>(i)] = static_cast<int>(j);
    }
}

void ProcessListModel::changeTexts(const std::vector<Row>& next, const std::vector<int>& newOf) {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (newOf[i] < 0)
            continue;
        Row& row = rows_[i];
        const Row& update = next[static_cast<std::size_t>(newOf[i])];
        row.identity = update.identity;
        row.columns = update.columns;
        for (int column = 0; column < kColumns; ++column) {
            QString& text = row.texts[static_cast<std::size_t>(column)];
            const QString& updated = update.texts[static_cast<std::size_t>(column)];
            if (text == updated)
                continue;
            text = updated;
            // One cell at a time: a view repaints a single cell only where it shows, but
            // a range of cells wherever it lies.
            const QModelIndex cell = index(static_cast<int>(i), column);
            emit dataChanged(cell, cell, {Qt::DisplayRole});
        }
    }
}

// From the bottom up, a run of rows at a time, so the positions above stay valid.
void ProcessListModel::removeGoneRows(std::vector<int>& newOf) {
    int last = static_cast<int>(rows_.size()) - 1;
    while (last >= 0) {
        if (newOf[static_cast<std::size_t>(last)] >= 0) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && newOf[static_cast<std::size_t>(first - 1)] < 0)
            --first;
        beginRemoveRows(QModelIndex(), first, last);
        rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
        newOf.erase(newOf.begin() + first, newOf.begin() + last + 1);
        endRemoveRows();
        last = first - 1;
    }
}

// targets: the new position of each row left; they rise unless processes changed order.
void ProcessListModel::reorder(const std::vector<int>& targets) {
    if (std::is_sorted(targets.begin(), targets.end()))
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> order(targets.size());
    for (std::size_t k = 0; k < order.size(); ++k)
        order[k] = static_cast<int>(k);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        return targets[static_cast<std::size_t>(a)] < targets[static_cast<std::size_t>(b)];
    });
    std::vector<int> placeOf(order.size());
    std::vector<Row> sorted;
    sorted.reserve(rows_.size());
    for (std::size_t k = 0; k < order.size(); ++k) {
        placeOf[static_cast<std::size_t>(order[k])] = static_cast<int>(k);
        sorted.push_back(std::move(rows_[static_cast<std::size_t>(order[k])]));
    }
    rows_.swap(sorted);
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex& held : before)
        after << index(placeOf[static_cast<std::size_t>(held.row())], held.column());
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

// From the top down, a run of new rows at a time: the rows above each run are final.
void ProcessListModel::insertNewRows(std::vector<Row>& next, const std::vector<int>& oldOf) {
    std::size_t j = 0;
    while (j < next.size()) {
        if (oldOf[j] >= 0) {
            ++j;
            continue;
        }
        std::size_t end = j + 1;
        while (end < next.size() && oldOf[end] < 0)
            ++end;
        const int first = static_cast<int>(j);
        beginInsertRows(QModelIndex(), first, static_cast<int>(end) - 1);
        rows_.insert(rows_.begin() + first, std::make_move_iterator(next.begin() + first),
                     std::make_move_iterator(next.begin() + static_cast<std::ptrdiff_t>(end)));
        endInsertRows();
        j = end;
    }
}

int ProcessListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int ProcessListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

QVariant ProcessListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() ||
        index.row() >= static_cast<int>(rows_.size()))
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
