#include "PictureBox.h"

#include <QMouseEvent>
#include <QPainter>

namespace {
// As long as a push button stays down when pressed through the keyboard or a screen reader.
constexpr int kAnimatedClickMs = 100;
} // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::NoFocus);
    animatedRelease_.setSingleShot(true);
    animatedRelease_.setInterval(kAnimatedClickMs);
    connect(&animatedRelease_, &QTimer::timeout, this, [this] { release(Qt::LeftButton, true); });
}

void PictureBox::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void PictureBox::animateClick() {
    if (!animatedRelease_.isActive())
        press(Qt::LeftButton);
    animatedRelease_.start();
}

void PictureBox::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.drawPixmap(0, 0, picture_);
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    press(event->button());
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    release(event->button(), rect().contains(event->position().toPoint()));
}

void PictureBox::press(Qt::MouseButton button) {
    pressed_ |= button;
    emit MouseDown(button);
}

void PictureBox::release(Qt::MouseButton button, bool overTheBox) {
    const bool wasPressed = pressed_.testFlag(button);
    pressed_ &= ~button;
    emit MouseUp(button);
    // Only the left button clicks, as on a system button; any button presses the picture.
    if (wasPressed && button == Qt::LeftButton && overTheBox)
        emit Click();
}
