#include "WindowDragger.h"

#include "FormTimer.h"

#include <QGuiApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <cmath>

namespace {

// Twips to whole pixels; a window dragged far past every screen edge stays within the
// range a position can hold.
int toPixels(float twips) {
    const float pixels = std::round(twips / WindowDragger::kTwipsPerPixel);
    return static_cast<int>(std::clamp(pixels, -1.0e9f, 1.0e9f));
}

} // namespace

WindowDragger::WindowDragger(QWidget& window, FormTimer& timer)
    : QObject(&window), window_(window), timer_(timer),
      // A Wayland client cannot place its own window: there the compositor moves it.
      systemMove_(QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
    // Moves over the bare surface count too, with no button held.
    window_.setMouseTracking(true);
    window_.installEventFilter(this);
    connect(&timer_, &FormTimer::Timer, this, &WindowDragger::Tick);
}

WindowDragger::Point WindowDragger::fromGlobal(const QPointF& globalPixels) const {
    return {static_cast<float>(globalPixels.x()) * kTwipsPerPixel,
            static_cast<float>(globalPixels.y()) * kTwipsPerPixel};
}

bool WindowDragger::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &window_)
        return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: // a quick second press is a press all the same
        MouseDown(static_cast<const QMouseEvent&>(*event));
        break;
    case QEvent::MouseMove:
        MouseMove(static_cast<const QMouseEvent&>(*event));
        break;
    case QEvent::MouseButtonRelease:
        if (pressOnSurface_)
            MouseUp();
        break;
    default:
        break;
    }
    return false;
}

void WindowDragger::MouseDown(const QMouseEvent& event) {
    // The first button held decides: a press on a control (a label passes its presses on
    // to the window) starts no drag, nor do further buttons pressed while it is held.
    if (event.buttons() == event.button())
        pressOnSurface_ = window_.childAt(event.position().toPoint()) == nullptr;
    if (!pressOnSurface_)
        return;
    if (systemMove_) {
        if (QWindow* handle = window_.windowHandle())
            handle->startSystemMove();
        return;
    }
    pointer_ = fromGlobal(event.globalPosition());
    const Point corner = fromGlobal(window_.pos());
    press_ = Point{pointer_->x - corner.x, pointer_->y - corner.y};
    timer_.setInterval(1);
    timer_.setEnabled(true);
}

void WindowDragger::MouseMove(const QMouseEvent& event) {
    // While a button that went down on a control is held, its moves are that control's.
    if (event.buttons() != Qt::NoButton && !pressOnSurface_)
        return;
    pointer_ = fromGlobal(event.globalPosition());
    const Point corner = fromGlobal(window_.pos());
    latest_ = Point{pointer_->x - corner.x, pointer_->y - corner.y};
}

void WindowDragger::MouseUp() {
    timer_.setEnabled(false);
}

void WindowDragger::Tick() {
    if (window_.isMinimized())
        return;
    const float left = static_cast<float>(window_.x()) * kTwipsPerPixel;
    const float top = static_cast<float>(window_.y()) * kTwipsPerPixel;
    const Point press = press_.value_or(Point{});
    const Point latest = latest_.value_or(Point{});
    const float newTop = (top + latest.y) - press.y;
    const float newLeft = (left + latest.x) - press.x;
    const QPoint before = window_.pos();
    window_.move(toPixels(newLeft), toPixels(newTop));

    // Windows reports the pointer anew when a window moves under it; X11 does not, and
    // without that report every tick would move the window by the same offset again
    // until the pointer moved.
    if (window_.pos() != before && pointer_) {
        const Point corner = fromGlobal(window_.pos());
        latest_ = Point{pointer_->x - corner.x, pointer_->y - corner.y};
    }
}
