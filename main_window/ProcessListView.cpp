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

// Runs work with the repaints that the widgets ask for meanwhile held back. Qt's own
// switch, setUpdatesEnabled, repaints the whole widget when it is switched back on, which
// is the very repaint to be spared; this is the flag behind it, set and cleared within
// this one call, and left alone on a widget whose updates were already off.
template <typename Work> void withRepaintsHeld(std::initializer_list<QWidget*> widgets, Work work) {
    std::vector<QWidget*> held;
    for (QWidget* widget : widgets) {
        if (widget->updatesEnabled()) {
            widget->setAttribute(Qt::WA_UpdatesDisabled, true);
            held.push_back(widget);
        }
    }
    work();
    for (QWidget* widget : held)
        widget->setAttribute(Qt::WA_UpdatesDisabled, false);
}

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

// Qt lays the list out anew after rows are added or removed anywhere, and then repaints
// all of it, which at every refresh would repaint rows that did not change. The layout
// runs with that repaint held back, and the list is repainted only when what it shows now
// differs from what it painted last; the header, whose columns a refresh never changes,
// only when the layout changed it.
void ProcessListView::doItemsLayout() {
    const Shown headerBefore = shownHeader();
    withRepaintsHeld({viewport(), header()->viewport()}, [this] { QTreeView::doItemsLayout(); });
    if (shownRows() != paintedRows_)
        viewport()->update();
    if (shownHeader() != headerBefore)
        header()->viewport()->update();
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

void ProcessListView::paintEvent(QPaintEvent* event) {
    QTreeView::paintEvent(event);
    paintedRows_ = shownRows();
}

ProcessListView::Shown ProcessListView::shownRows() const {
    Shown shown;
    const QWidget& area = *viewport();
    shown.size = area.size();
    shown.font = font();
    shown.palette = palette().cacheKey();
    const QHeaderView& columns = *header();
    // Room for every row that fits, at the smallest height a row can have.
    const std::size_t fit = static_cast<std::size_t>(area.height() / 8 + 2);
    shown.places.reserve(3 + 3 * static_cast<std::size_t>(columns.count()) + 5 * fit);
    shown.texts.reserve(fit * static_cast<std::size_t>(columns.count()));
    shown.places = {horizontalOffset(), verticalOffset(), hasFocus() ? 1 : 0};
    std::vector<int> shownColumns;
    for (int visual = 0; visual < columns.count(); ++visual) {
        const int column = columns.logicalIndex(visual);
        if (columns.isSectionHidden(column))
            continue;
        const int left = columns.sectionViewportPosition(column);
        const int width = columns.sectionSize(column);
        if (left >= area.width() || left + width <= 0)
            continue;
        shownColumns.push_back(column);
        shown.places.insert(shown.places.end(), {column, left, width});
    }
    const QAbstractItemModel* rows = model();
    if (shownColumns.empty() || !rows)
        return shown;
    const QModelIndex top = indexAt(QPoint(columns.sectionViewportPosition(shownColumns[0]), 0));
    const QModelIndex current = currentIndex();
    for (int row = top.isValid() ? top.row() : rows->rowCount(); row < rows->rowCount(); ++row) {
        const QRect place = visualRect(rows->index(row, shownColumns[0]));
        if (place.top() >= area.height())
            break;
        const bool selected = selectionModel()->isRowSelected(row, QModelIndex());
        shown.places.insert(shown.places.end(), {row, place.top(), place.height(), selected ? 1 : 0,
                                                 current.row() == row ? 1 : 0});
        for (const int column : shownColumns)
            shown.texts.push_back(rows->index(row, column).data().toString());
    }
    return shown;
}

ProcessListView::Shown ProcessListView::shownHeader() const {
    const QHeaderView& columns = *header();
    Shown shown;
    shown.size = columns.viewport()->size();
    shown.font = columns.font();
    shown.palette = columns.palette().cacheKey();
    shown.places.reserve(5 + 4 * static_cast<std::size_t>(columns.count()));
    shown.places = {columns.offset(), columns.isSortIndicatorShown() ? 1 : 0,
                    columns.sortIndicatorSection(), columns.sortIndicatorOrder(),
                    columns.isHidden() ? 1 : 0};
    for (int visual = 0; visual < columns.count(); ++visual) {
        const int column = columns.logicalIndex(visual);
        shown.places.insert(shown.places.end(),
                            {column, columns.isSectionHidden(column) ? 1 : 0,
                             columns.sectionPosition(column), columns.sectionSize(column)});
        if (model())
            shown.texts.push_back(model()->headerData(column, Qt::Horizontal).toString());
    }
    return shown;
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
