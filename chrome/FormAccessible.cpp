#include "FormAccessible.h"

#include "Accessibility.h"

#include <QDialog>

FormAccessible::FormAccessible(QWidget* form)
    : QAccessibleWidget(form,
                        qobject_cast<QDialog*>(form) ? QAccessible::Dialog : QAccessible::Window) {}

int FormAccessible::childCount() const {
    return static_cast<int>(exposedChildren().size());
}

QAccessibleInterface* FormAccessible::child(int index) const {
    return exposedChildren().value(index);
}

int FormAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return static_cast<int>(exposedChildren().indexOf(child));
}

// Qt's own list of the window's controls, so it leaves out what Qt leaves out. An
// interface that only called itself invisible would still be listed, and read.
QList<QAccessibleInterface*> FormAccessible::exposedChildren() const {
    QList<QAccessibleInterface*> children;
    const int count = QAccessibleWidget::childCount();
    for (int index = 0; index < count; ++index) {
        QAccessibleInterface* child = QAccessibleWidget::child(index);
        const auto* control = child ? qobject_cast<const QWidget*>(child->object()) : nullptr;
        if (control && !Accessibility::isHiddenFromScreenReaders(*control))
            children.append(child);
    }
    return children;
}
