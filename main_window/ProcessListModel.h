#pragma once

#include "process/ProcessIdentity.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <QStringView>
#include <array>
#include <vector>

// The rows of the process list: an item text and up to three sub-items each, addressed by
// one-based position, and the identity of the process the row was made from, which is not
// shown. A text is kept up to its first NUL, which is all the list shows.
//
// Between beginUpdate and endUpdate the rows are built aside while the views go on
// showing the old ones. endUpdate then tells the views only what changed: the rows of
// processes that have gone are removed, new ones are inserted where they belong, rows
// that stay are moved only when the order changed, and only cells whose text changed are
// reported. A row that stays keeps its place in the views, its selection included. Rows
// are told apart by their identity's process id (the first row of an id takes the old
// first row of that id, and so on).
class ProcessListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit ProcessListModel(const QStringList& headers, QObject* parent = nullptr);

    // Adds a row with the given text and returns its position.
    int Add(const QString& text);
    int Add(QStringView text);
    // Appends a sub-item to the row at position. Raises RuntimeError 35600 for a row that
    // does not exist and 380 for a fourth sub-item, which has no column.
    void AddSubItem(int position, const QString& text);
    void AddSubItem(int position, QStringView text);
    // Raises RuntimeError 35600 for a position outside 1 to Count().
    void Remove(int position);
    void Clear();
    int Count() const { return static_cast<int>(edited().size()); }
    // The item text (column 0) or a sub-item's (1 to 3) of the row at position.
    QString Text(int position, int column = 0) const;
    // The identity of the row at position's process. Raises RuntimeError 35600 for a
    // position outside 1 to Count().
    ProcessIdentity Identity(int position) const;
    void setIdentity(int position, const ProcessIdentity& identity);

    void beginUpdate();
    void endUpdate();
    // While endUpdate tells the views what changed.
    bool applyingUpdate() const { return applying_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    static constexpr int kColumns = 4;
    struct Row {
        std::array<QString, kColumns> texts;
        int columns = 1;
        ProcessIdentity identity;
    };
    void checkPosition(int position) const;
    int add(QStringView text, const QString* given);
    void addSubItem(int position, QStringView text, const QString* given);
    void guessOldRow(QStringView id);
    QString cellText(int column, QStringView text, const QString* given) const;
    const std::vector<Row>& edited() const;
    std::vector<Row>& edited();
    // Matches the new rows to the old ones: oldOf[new position] and newOf[old position],
    // -1 where there is none.
    void matchRows(const std::vector<Row>& next, std::vector<int>& oldOf,
                   std::vector<int>& newOf) const;
    void changeTexts(const std::vector<Row>& next, const std::vector<int>& newOf);
    void removeGoneRows(std::vector<int>& newOf);
    void reorder(const std::vector<int>& targets);
    void insertNewRows(std::vector<Row>& next, const std::vector<int>& oldOf);

    QStringList headers_;
    std::vector<Row> rows_;    // what the views show
    std::vector<Row> pending_; // the rows being built by an update
    bool updating_ = false;
    bool pendingStarted_ = false; // pending_ holds the update's rows
    bool applying_ = false;
    // During an update: the old row that the row being added seems to be, by its id, whose
    // unchanged cells it shares rather than make new strings; -1 for none.
    std::ptrdiff_t guess_ = -1;
    std::size_t nextGuess_ = 0;
    std::vector<int> oldOf_, newOf_; // endUpdate's, kept for their room
};
