#include "ClickableLabel.h"

#include <QMouseEvent>

ClickableLabel::ClickableLabel(QWidget* parent) : QLabel(parent) {}

void ClickableLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ |= event->button();
    event->accept();
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool wasPressed = pressed_.testFlag(event->button());
    pressed_ &= ~event->button();
    event->accept();
    if (wasPressed && rect().contains(event->position().toPoint()))
        emit Click();
}
