#pragma once

#include "main_window/main_window.h"

// The position of the main window's row that shows process id, 0 when none does.
inline int rowOf(const frmMain& window, std::int32_t id) {
    const ProcessListModel& rows = window.lstProcess->ListItems();
    for (int position = 1; position <= rows.Count(); ++position)
        if (rows.Text(position) == QString::number(id))
            return position;
    return 0;
}
