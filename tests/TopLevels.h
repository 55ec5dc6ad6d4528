#pragma once

#include <QApplication>
#include <QList>
#include <QWidget>

// The application's windows of one kind, however they were made: what there is of the
// program's windows as the application has them.
template <typename Window> QList<Window*> topLevels() {
    QList<Window*> windows;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* window = qobject_cast<Window*>(widget))
            windows.append(window);
    return windows;
}
