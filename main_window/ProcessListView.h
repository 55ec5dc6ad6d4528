#pragma once

#include "ProcessListModel.h"
#include "ProcessListSortModel.h"

#include <QTreeView>
#include <vector>

// A list in report layout: the process list's four columns, whole-row selection of one
// row. A click on a column header sorts by that column, a second click reverses the order
// and a third gives back the system's order, the one at start (ProcessListSortModel).
// Rows are addressed by their one-based position in ProcessListModel, whatever the order
// shown. The current row, where keyboard navigation goes on from, shows only a dotted
// outline, as in Windows' list view: the one row that looks chosen is the selected one.
// Typing letters moves to the next row, after the current one and round again from the
// top, whose executable name starts with them, and selects it, as a click would; keys
// typed within the application's keyboard input interval (400 ms unless the desktop sets
// another) add to the same search.
//
// The list repaints only what changed on screen: a refresh that adds or removes rows
// where they are not shown, or changes nothing, paints nothing.
class ProcessListView : public QTreeView {
    Q_OBJECT
public:
    explicit ProcessListView(QWidget* parent = nullptr);

    ProcessListModel& ListItems() { return model_; }
    const ProcessListModel& ListItems() const { return model_; }

    // The position of the selected row, 0 when no row is selected.
    int SelectedItem() const;
    // Raises RuntimeError 35600 for a position outside the list.
    void setSelectedItem(int position);
    // Leaves no row selected; the current row stays where it is.
    void clearSelectedItem();
    // Makes the row at position the current one, where keyboard navigation goes on from,
    // without selecting it or scrolling to it. Raises RuntimeError 35600 for a position
    // outside the list.
    void setCurrentItem(int position);
    // The position of the row shown first in the order chosen, 0 for an empty list.
    int FirstItemShown() const;

    void keyboardSearch(const QString& search) override;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // Screen readers hear of the current row when it moves to another process while the
    // list has the focus, and when the list takes the focus. The check waits until the
    // work in hand is done, so a refresh that puts the same process back says nothing.
    void announceCurrentRowLater(bool evenIfUnchanged);
    void announceCurrentRow();
    QModelIndex shownIndex(int position) const;
    int positionOf(const QModelIndex& shown) const;
    void keepSelectionInView();

    ProcessListModel model_;
    ProcessListSortModel shown_;
    QString announcedProcessId_;
    bool announcementPending_ = false;
    bool announceEvenIfUnchanged_ = false;
    bool movingCurrentQuietly_ = false;
};
