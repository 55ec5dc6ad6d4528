#include "FakeOsLayer.h"
#include "main_window/main_window.h"

#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

qint64 shown(const PictureBox* box) {
    return box->Picture().cacheKey();
}

qint64 listPicture(const frmMain& window, int position) {
    return window.CrossL.ListImage(position).cacheKey();
}

struct Button {
    PictureBox* frmMain::*box;
    int released;
    int pressed;
};

const Button kButtons[] = {
    {&frmMain::CrossBtn, 1, 2}, {&frmMain::About, 3, 4}, {&frmMain::MinBtn, 5, 6}};

} // namespace

TEST(CaptionPictures, EachButtonShowsItsPressedPictureWhileAnyMouseButtonIsHeld) {
    FakeOsLayer os;
    frmMain window;
    for (const Qt::MouseButton mouse : {Qt::LeftButton, Qt::RightButton, Qt::MiddleButton}) {
        for (const Button& button : kButtons) {
            PictureBox* box = window.*button.box;
            box->disconnect(SIGNAL(Click())); // what a click does belongs to other windows
            std::map<const PictureBox*, qint64> others;
            for (const Button& other : kButtons)
                others[window.*other.box] = shown(window.*other.box);

            QTest::mousePress(box, mouse);
            EXPECT_EQ(shown(box), listPicture(window, button.pressed)) << button.pressed;
            for (const auto& [other, picture] : others) {
                if (other != box) {
                    EXPECT_EQ(shown(other), picture) << "the buttons swap independently";
                }
            }
            QTest::mouseRelease(box, mouse);
            EXPECT_EQ(shown(box), listPicture(window, button.released)) << button.released;
        }
    }
}

TEST(CaptionPictures, APressOnAButtonAlreadyPressedOnlyLetsWaitingEventsRun) {
    FakeOsLayer os;
    frmMain window;
    bool ran = false;
    QMetaObject::invokeMethod(
        &window, [&] { ran = true; }, Qt::QueuedConnection);
    QTest::mousePress(window.About, Qt::LeftButton);
    EXPECT_FALSE(ran) << "a swap lets no events run";
    const qint64 pressed = shown(window.About);
    ASSERT_EQ(pressed, listPicture(window, 4));

    QTest::mousePress(window.About, Qt::RightButton);
    EXPECT_TRUE(ran) << "the waiting events ran during the second press";
    EXPECT_EQ(shown(window.About), pressed);
    QTest::mouseRelease(window.About, Qt::RightButton);
    EXPECT_EQ(shown(window.About), listPicture(window, 3));
    QTest::mouseRelease(window.About, Qt::LeftButton);
    EXPECT_EQ(shown(window.About), listPicture(window, 3));
}

TEST(CaptionPictures, PressOnCloseMoveOffAndReleaseClicksNothing) {
    FakeOsLayer os;
    frmMain window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy clicks(window.CrossBtn, &PictureBox::Click);
    QWindow* surface = window.windowHandle();
    const QPoint onCross = window.CrossBtn->geometry().center();
    const QPoint away(300, 60);

    QTest::mousePress(surface, Qt::LeftButton, {}, onCross);
    EXPECT_EQ(shown(window.CrossBtn), listPicture(window, 2));
    QTest::mouseMove(surface, away);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, away);
    EXPECT_EQ(shown(window.CrossBtn), listPicture(window, 1));
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_TRUE(window.isVisible());

    window.CrossBtn->disconnect(SIGNAL(Click()));
    QSignalSpy stillClicks(window.CrossBtn, &PictureBox::Click);
    QTest::mouseClick(surface, Qt::LeftButton, {}, onCross);
    EXPECT_EQ(stillClicks.count(), 1) << "a release on the button is a click";
}
