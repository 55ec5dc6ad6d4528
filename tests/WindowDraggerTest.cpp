#include "chrome/WindowDragger.h"
#include "FakeOsLayer.h"
#include "Ticking.h"
#include "chrome/FormTimer.h"
#include "chrome/PictureBox.h"
#include "main_window/main_window.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// A frameless window like the program's dialogs: a timer of its own, a few controls and
// bare surface around them.
class Frameless : public QWidget {
public:
    Frameless() : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint) {
        setFixedSize(300, 200);
        Timer1 = new FormTimer(true, 0, this);
        button = new QPushButton(QStringLiteral("&Run"), this);
        button->setGeometry(10, 150, 80, 30);
        text = new QLineEdit(this);
        text->setGeometry(100, 150, 80, 30);
        label = new QLabel(QStringLiteral("Open:"), this);
        label->setGeometry(10, 100, 80, 30);
        list = new QListWidget(this);
        list->setGeometry(200, 100, 90, 90);
        picture = new PictureBox(this);
        picture->setGeometry(270, 10, 15, 15);
        dragger = new WindowDragger(*this, *Timer1);
        move(200, 150);
    }

    FormTimer* Timer1;
    QPushButton* button;
    QLineEdit* text;
    QLabel* label;
    QListWidget* list;
    PictureBox* picture;
    WindowDragger* dragger;
};

// Events straight to the window, as the system reports them over its bare surface.
void send(QWidget& window, QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held,
          QPoint at) {
    QMouseEvent event(type, QPointF(at), window.mapToGlobal(QPointF(at)), button, held,
                      Qt::NoModifier);
    QApplication::sendEvent(&window, &event);
}

void press(QWidget& w, QPoint at, Qt::MouseButton button = Qt::LeftButton,
           Qt::MouseButtons held = {}) {
    send(w, QEvent::MouseButtonPress, button, held | button, at);
}

void moveTo(QWidget& w, QPoint at, Qt::MouseButtons held = Qt::LeftButton) {
    send(w, QEvent::MouseMove, Qt::NoButton, held, at);
}

void release(QWidget& w, QPoint at, Qt::MouseButton button = Qt::LeftButton,
             Qt::MouseButtons held = Qt::LeftButton) {
    send(w, QEvent::MouseButtonRelease, button, held & ~Qt::MouseButtons(button), at);
}

} // namespace

TEST(WindowDragging, TheTimerIsQuietUntilAPressAndStopsAtTheRelease) {
    Frameless window;
    EXPECT_TRUE(window.Timer1->Enabled());
    EXPECT_EQ(window.Timer1->Interval(), 0);
    EXPECT_FALSE(ticking(*window.Timer1));
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(200, 150)) << "no press and no pointer: nothing moves";

    press(window, {40, 30});
    EXPECT_EQ(window.Timer1->Interval(), 1);
    EXPECT_TRUE(ticking(*window.Timer1));
    moveTo(window, {45, 33});
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(205, 153)) << "the press point is where it went down";

    release(window, {40, 30});
    EXPECT_FALSE(window.Timer1->Enabled());
    EXPECT_EQ(window.Timer1->Interval(), 1);
    moveTo(window, {50, 40}, Qt::NoButton);
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(215, 163)) << "the points stay";
}

TEST(WindowDragging, EachTickMovesTheWindowByTheLatestPointLessThePressPoint) {
    Frameless window;
    press(window, {50, 40});
    moveTo(window, {80, 35});
    EXPECT_EQ(window.pos(), QPoint(200, 150)) << "a move alone does not move the window";

    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(230, 145));
    // The pointer stood still while the window moved under it: now it is where it went
    // down again, and the window comes to rest.
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(230, 145));

    moveTo(window, {40, 60});
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(220, 165));
    release(window, {40, 60});

    // A later drag starts from its own press point.
    press(window, {10, 10});
    moveTo(window, {-30, 5});
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(180, 160));
}

TEST(WindowDragging, APressWithNoMoveBeforeItCountsTheLatestPointAsZero) {
    Frameless window;
    press(window, {50, 40});
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(150, 110));
    // The pointer is reported anew where it is, and the next tick brings the window back.
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(200, 150));
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(200, 150));
}

TEST(WindowDragging, TheRightAndMiddleButtonsDragLikeTheLeft) {
    for (const Qt::MouseButton button : {Qt::RightButton, Qt::MiddleButton}) {
        Frameless window;
        press(window, {20, 20}, button);
        moveTo(window, {27, 11}, button);
        window.dragger->Tick();
        EXPECT_EQ(window.pos(), QPoint(207, 141)) << button;
        release(window, {27, 11}, button, button);
        EXPECT_FALSE(window.Timer1->Enabled()) << button;
    }
}

TEST(WindowDragging, ReleasingOneOfTwoHeldButtonsEndsTheDrag) {
    Frameless window;
    press(window, {20, 20});
    press(window, {25, 22}, Qt::RightButton, Qt::LeftButton);
    EXPECT_TRUE(ticking(*window.Timer1));
    window.dragger->Tick();
    EXPECT_EQ(window.pos(), QPoint(175, 128)) << "the second press counts";
    release(window, {25, 22}, Qt::RightButton, Qt::LeftButton | Qt::RightButton);
    EXPECT_FALSE(window.Timer1->Enabled());
}

TEST(WindowDragging, APressOnAControlStartsNoDrag) {
    Frameless window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QWindow* surface = window.windowHandle();
    const QWidget* controls[] = {window.button, window.text, window.label, window.list,
                                 window.picture};
    for (const QWidget* control : controls) {
        const QPoint at = control->geometry().center();
        QTest::mousePress(surface, Qt::LeftButton, {}, at);
        QTest::mouseMove(surface, at + QPoint(-40, 30));
        EXPECT_EQ(window.Timer1->Interval(), 0) << control->metaObject()->className();
        QTest::mouseRelease(surface, Qt::LeftButton, {}, at + QPoint(-40, 30));
    }
    // The bare surface beside them does.
    const QPoint start = window.pos();
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(150, 50));
    EXPECT_TRUE(ticking(*window.Timer1));
    QTest::mouseMove(surface, QPoint(160, 55));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.pos() == start + QPoint(10, 5); }, 5000));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(160, 55));
}

TEST(WindowDragging, TheWindowsTimerMovesItAndEachWindowMovesOnlyItself) {
    Frameless window;
    Frameless other;
    window.show();
    other.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QWindow* surface = window.windowHandle();
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(150, 50));
    QTest::mouseMove(surface, QPoint(190, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.pos() == QPoint(240, 120); }, 5000));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(190, 20));
    EXPECT_FALSE(window.Timer1->Enabled());
    EXPECT_EQ(other.pos(), QPoint(200, 150));
    EXPECT_EQ(other.Timer1->Interval(), 0);
}

TEST(WindowDragging, TheMainWindowDragsByItsTitleBandButNotByItsControls) {
    FakeOsLayer os;
    os.setProcessCount(5);
    frmMain window;
    window.Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QWindow* surface = window.windowHandle();
    for (const QWidget* control :
         {static_cast<QWidget*>(window.lstProcess), static_cast<QWidget*>(window.cmdRun),
          static_cast<QWidget*>(window.MinBtn)}) {
        const QPoint at = control->geometry().center();
        QTest::mousePress(surface, Qt::RightButton, {}, at);
        QTest::mouseRelease(surface, Qt::RightButton, {}, at);
        EXPECT_EQ(window.Timer1->Interval(), 0) << control->objectName().toStdString();
    }
    const QPoint start = window.pos();
    QTest::mousePress(surface, Qt::LeftButton, {}, QPoint(250, 60));
    EXPECT_TRUE(ticking(*window.Timer1));
    QTest::mouseMove(surface, QPoint(262, 52));
    ASSERT_TRUE(QTest::qWaitFor([&] { return window.pos() == start + QPoint(12, -8); }, 5000));
    QTest::mouseRelease(surface, Qt::LeftButton, {}, QPoint(262, 52));
    EXPECT_FALSE(window.Timer1->Enabled());
}
