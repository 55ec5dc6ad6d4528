#include "PictureBoxAccessible.h"

#include "PictureBox.h"

PictureBoxAccessible::PictureBoxAccessible(PictureBox* box)
    : QAccessibleWidget(box, QAccessible::Button) {}

QStringList PictureBoxAccessible::actionNames() const {
    QStringList names = QAccessibleWidget::actionNames();
    if (canBePressed())
        names.prepend(pressAction());
    return names;
}

void PictureBoxAccessible::doAction(const QString& actionName) {
    if (actionName != pressAction()) {
        QAccessibleWidget::doAction(actionName);
        return;
    }
    // The click comes after the screen reader's call has returned, as a push button's
    // does: a message box it opens must not hold up the call.
    if (canBePressed())
        box()->animateClick();
}

PictureBox* PictureBoxAccessible::box() const {
    return static_cast<PictureBox*>(widget());
}

bool PictureBoxAccessible::canBePressed() const {
    return box()->isVisible() && box()->isEnabled();
}
