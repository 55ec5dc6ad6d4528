#pragma once

#include <QObject>
#include <optional>

class FormTimer;
class QMouseEvent;
class QPointF;
class QWidget;

// Lets the user move a frameless window by dragging its bare surface with any mouse
// button. The pointer events only note where the button went down and where the pointer
// was last; each tick of the window's own timer then moves the window by the difference.
// A press on one of the window's controls starts nothing.
//
// Attach it once, after the window has made its timer:  new WindowDragger(*this, *Timer1);
class WindowDragger : public QObject {
    Q_OBJECT
public:
    WindowDragger(QWidget& window, FormTimer& timer);

    static constexpr float kTwipsPerPixel = 15.0f;

    // Moves the window by the latest point less the press point, empty ones counting as 0.
    void Tick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // A point in twips from the window's top left corner, in single precision.
    struct Point {
        float x = 0;
        float y = 0;
    };

    void MouseDown(const QMouseEvent& event);
    void MouseMove(const QMouseEvent& event);
    void MouseUp();
    Point fromGlobal(const QPointF& globalPixels) const;

    QWidget& window_;
    FormTimer& timer_;
    std::optional<Point> press_;   // empty until the first press
    std::optional<Point> latest_;  // empty until the first pointer move
    std::optional<Point> pointer_; // where the pointer was last seen, global twips
    bool pressOnSurface_ = false;  // the press that holds the pointer went down on the surface
    bool systemMove_;
};
