#pragma once

#include "main_window/main_window.h"

#include <QAbstractProxyModel>

// The position of the main window's row that shows process id, 0 when none does.
inline int rowOf(const frmMain& window, std::int32_t id) {
    const ProcessListModel& rows = window.lstProcess->ListItems();
    for (int position = 1; position <= rows.Count(); ++position)
        if (rows.Text(position) == QString::number(id))
            return position;
    return 0;
}

// The position of the list's current row, where keyboard navigation goes on from (Qt's
// current index, in the order shown), 0 when there is none.
inline int currentRow(const ProcessListView& list) {
    const QModelIndex current = list.currentIndex();
    const auto* order = qobject_cast<const QAbstractProxyModel*>(list.model());
    return current.isValid() && order ? order->mapToSource(current).row() + 1 : 0;
}
