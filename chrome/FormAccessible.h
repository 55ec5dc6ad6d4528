#pragma once

#include <QAccessibleWidget>

// What screen readers see of one of the program's own windows: a window (a dialog for a
// dialog) named by its title, whose children are its controls less those hidden from
// screen readers (Accessibility::hideFromScreenReaders).
class FormAccessible : public QAccessibleWidget {
public:
    explicit FormAccessible(QWidget* form);

    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    QList<QAccessibleInterface*> exposedChildren() const;
};
