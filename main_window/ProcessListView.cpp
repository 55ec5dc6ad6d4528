#include "ProcessListView.h"

#include "ProcessListDelegate.h"

#include <QHeaderView>

namespace {
const QStringList kHeaders = {QStringLiteral("Proc. ID"), QStringLiteral("Exe File"),
                              QStringLiteral("Threads"), QStringLiteral("Usage")};
constexpr int kColumnWidths[] = {56, 300, 53, 49};
} // namespace

ProcessListView::ProcessListView(QWidget* parent) : QTreeView(parent), model_(kHeaders) {
    setModel(&model_);
    setItemDelegate(new ProcessListDelegate(this));
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setUniformRowHeights(true); // the rows' heights are not measured one by one
    setSortingEnabled(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAllColumnsShowFocus(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    QHeaderView* columns = header();
    columns->setStretchLastSection(false);
    columns->setSectionsMovable(false);
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    for (int column = 0; column < 4; ++column)
        columns->resizeSection(column, kColumnWidths[column]);
}

int ProcessListView::SelectedItem() const {
    const QModelIndexList rows = selectionModel()->selectedRows();
    return rows.isEmpty() ? 0 : rows.first().row() + 1;
}

void ProcessListView::setSelectedItem(int position) {
    model_.Text(position); // checks the position
    const QModelIndex index = model_.index(position - 1, 0);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
}

void ProcessListView::clearSelectedItem() {
    selectionModel()->clearSelection();
}

void ProcessListView::setCurrentItem(int position) {
    model_.Text(position); // checks the position
    selectionModel()->setCurrentIndex(model_.index(position - 1, 0), QItemSelectionModel::NoUpdate);
}

int ProcessListView::CurrentItem() const {
    const QModelIndex current = selectionModel()->currentIndex();
    return current.isValid() ? current.row() + 1 : 0;
}
