#include "ProcessListView.h"

#include "ProcessListDelegate.h"
#include "ProcessListHeader.h"

#include "chrome/Accessibility.h"

#include <QHeaderView>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTimer>

namespace {

const QStringList kHeaders = {QStringLiteral("Proc. ID"), QStringLiteral("Exe File"),
                              QStringLiteral("Threads"), QStringLiteral("Usage")};
constexpr int kColumnWidths[] = {56, 300, 53, 49};
constexpr int kNameColumn = 1;

} // namespace

ProcessListView::ProcessListView(QWidget* parent)
    : QTreeView(parent), model_(kHeaders), shown_(model_) {
    setHeader(new ProcessListHeader(this));
    setModel(&shown_);
    setItemDelegate(new ProcessListDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // the rows' heights are not measured one by one
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The style's own mark of the current row is a tinted box, which looks like a selection.
    setAllColumnsShowFocus(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QHeaderView* columns = header();
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < 4; ++column)
        columns->resizeSection(column, kColumnWidths[column]);
    // No sort column: the system's order, and no indicator. A third click comes back here.
    columns->setSortIndicator(-1, Qt::AscendingOrder);
    columns->setSortIndicatorClearable(true);
    setSortingEnabled(true);
    // After the view's own handler, which sorts.
    connect(columns, &QHeaderView::sortIndicatorChanged, this,
            &ProcessListView::keepSelectionInView);
}

QModelIndex ProcessListView::shownIndex(int position) const {
    model_.Text(position); // checks the position
    return shown_.mapFromSource(model_.index(position - 1, 0));
}

int ProcessListView::positionOf(const QModelIndex& shown) const {
    return shown.isValid() ? shown_.mapToSource(shown).row() + 1 : 0;
}

int ProcessListView::SelectedItem() const {
    // Asked at every refresh, when mostly nothing is selected.
    if (!selectionModel()->hasSelection())
        return 0;
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : positionOf(rows.first());
}

void ProcessListView::setSelectedItem(int position) {
    selectionModel()->setCurrentIndex(shownIndex(position), QItemSelectionModel::ClearAndSelect |
                                                                QItemSelectionModel::Rows);
}

void ProcessListView::clearSelectedItem() {
    selectionModel()->clearSelection();
}

void ProcessListView::setCurrentItem(int position) {
    const QModelIndex shown = shownIndex(position);
    const QScopedValueRollback quiet(movingCurrentQuietly_, true);
    selectionModel()->setCurrentIndex(shown, QItemSelectionModel::NoUpdate);
}

int ProcessListView::FirstItemShown() const {
    return shown_.rowCount() > 0 ? positionOf(shown_.index(0, 0)) : 0;
}

// Qt's search looks in the current cell's column, and the current cell is usually the
// process id's; pointed at the name's, it finds the rows by their executable names.
void ProcessListView::keyboardSearch(const QString& search) {
    const int rows = shown_.rowCount();
    if (rows == 0)
        return;
    // It starts after the current row: after none, it starts after the last, at the top.
    const QModelIndex current = currentIndex();
    const QModelIndex from = current.isValid() ? current.siblingAtColumn(kNameColumn)
                                               : shown_.index(rows - 1, kNameColumn);
    if (from != current)
        selectionModel()->setCurrentIndex(from, QItemSelectionModel::NoUpdate);
    QTreeView::keyboardSearch(search);
}

// A new order may take the chosen row far from where it was: it stays in sight.
void ProcessListView::keepSelectionInView() {
    const QModelIndexList rows = selectionModel()->selectedRows();
    if (!rows.isEmpty())
        scrollTo(rows.first());
}

// When a refresh takes out the current row, Qt makes a neighbour current and, in single
// selection, selects it too. The program never selects a row itself: a refresh moves the
// current row only.
QItemSelectionModel::SelectionFlags ProcessListView::selectionCommand(const QModelIndex& index,
                                                                      const QEvent* event) const {
    if (model_.applyingUpdate())
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

void ProcessListView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const {
    QTreeView::drawRow(painter, option, index);
    if (!hasFocus() || index.row() != currentIndex().row() ||
        selectionModel()->isRowSelected(index.row(), index.parent()))
        return;
    painter->save();
    painter->setPen(QPen(option.palette.color(QPalette::Text), 1, Qt::DotLine));
    painter->setBrush(Qt::NoBrush);
    const int first = header()->logicalIndex(0);
    const int last = header()->logicalIndex(header()->count() - 1);
    const int left = header()->sectionViewportPosition(first);
    const int right = header()->sectionViewportPosition(last) + header()->sectionSize(last);
    painter->drawRect(QRect(left, option.rect.top(), right - left - 1, option.rect.height() - 1));
    painter->restore();
}

// QTreeView's own version tells screen readers of every change of the current row, also
// of the ones a refresh makes and undoes while the user is on another control, which
// would pull the reader's focus into the list every refresh.
void ProcessListView::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    // The list scrolls to the current row when the user moves it, not when the program
    // does, nor when a refresh takes the current row's process away.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(scrolls && !movingCurrentQuietly_ && !model_.applyingUpdate());
    QAbstractItemView::currentChanged(current, previous);
    setAutoScroll(scrolls);
    for (const QModelIndex& index : {previous, current}) {
        const QRect cell = visualRect(index);
        if (cell.isValid())
            viewport()->update(QRect(0, cell.top(), viewport()->width(), cell.height()));
    }
    announceCurrentRowLater(false);
}

void ProcessListView::focusInEvent(QFocusEvent* event) {
    QTreeView::focusInEvent(event);
    // After the list's own focus event, so the reader goes on to the row.
    announceCurrentRowLater(true);
}

void ProcessListView::announceCurrentRowLater(bool evenIfUnchanged) {
    announceEvenIfUnchanged_ = announceEvenIfUnchanged_ || evenIfUnchanged;
    if (announcementPending_)
        return;
    announcementPending_ = true;
    QTimer::singleShot(0, this, &ProcessListView::announceCurrentRow);
}

void ProcessListView::announceCurrentRow() {
    const bool evenIfUnchanged = announceEvenIfUnchanged_;
    announcementPending_ = false;
    announceEvenIfUnchanged_ = false;
    const QModelIndex current = currentIndex();
    const QString processId = current.isValid() ? model_.Text(positionOf(current)) : QString();
    const bool moved = processId != announcedProcessId_;
    announcedProcessId_ = processId;
    if (!current.isValid() || !hasFocus() || !(moved || evenIfUnchanged))
        return;
    // The tree's children are its header row's cells, then each row's cells.
    Accessibility::announceFocus(*this,
                                 (current.row() + 1) * shown_.columnCount() + current.column());
}
