#include "SelectionKeeper.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLineEdit>

SelectionKeeper::SelectionKeeper(QLineEdit& box) : QObject(&box), box_(box) {
    box.installEventFilter(this);
}

bool SelectionKeeper::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &box_)
        return false;
    switch (event->type()) {
    case QEvent::FocusOut: {
        // The line edit keeps its selection only when it loses the focus with its window.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
            return false;
        QFocusEvent keeping(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QCoreApplication::sendEvent(&box_, &keeping);
        return true;
    }
    case QEvent::FocusIn:
        // A dialog being shown tells its focus control ahead of the real focus, as if it
        // had been tabbed to; the line edit would select its whole text for it.
        return !box_.hasFocus();
    case QEvent::WindowActivate:
        // Seeing its window active without the focus, the line edit drops its selection.
        return true;
    default:
        return false;
    }
}
