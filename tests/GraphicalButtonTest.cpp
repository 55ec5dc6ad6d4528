#include "FakeOsLayer.h"
#include "about/frmAbout.h"
#include "main_window/main_window.h"
#include "options_dialog/frmOptions.h"
#include "run_dialog/run_dialog.h"

#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

const QColor kWhite(0xFF, 0xFF, 0xFF);
const QColor kShadow(0x80, 0x80, 0x80);
const QColor kDarkShadow(0x40, 0x40, 0x40);
const QColor kBlack(0, 0, 0);

QImage grabbed(QWidget& button) {
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// The share of the pixels inside the focus rectangle that show exactly the face colour.
double faceShare(const QImage& image, const QColor& face) {
    int same = 0;
    int all = 0;
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x, ++all)
            same += image.pixelColor(x, y) == face;
    return double(same) / all;
}

int darkestChannel(const QImage& image) {
    int darkest = 255;
    for (int y = 4; y < image.height() - 4; ++y)
        for (int x = 4; x < image.width() - 4; ++x) {
            const QColor c = image.pixelColor(x, y);
            darkest = std::min({darkest, c.red(), c.green(), c.blue()});
        }
    return darkest;
}

} // namespace

// Each command button of every window: a flat face of exactly its colour inside the
// classic raised edge, white and dark grey outside, its own colour and grey inside.
TEST(GraphicalButton, EveryCommandButtonShowsItsFlatFaceInARaisedEdge) {
    FakeOsLayer os;
    frmMain main;
    frmRun run;
    frmOptions options;
    frmAbout about;
    const std::pair<GraphicalButton*, QColor> buttons[] = {
        {main.cmdRun, {0xFF, 0xE0, 0xC0}},      {main.cmdKillProcess, {0xFF, 0xC0, 0xC0}},
        {main.cmdOptions, {0xC0, 0xFF, 0xC0}},  {main.cmdStart, {0xC0, 0xC0, 0xFF}},
        {main.cmdExit, {0xFF, 0xC0, 0xC0}},     {run.cmdRun, {0xC0, 0xFF, 0xC0}},
        {run.cmdCancel, {0xFF, 0xC0, 0xC0}},    {options.cmdApply, {0xC0, 0xC0, 0xFF}},
        {options.cmdClose, {0xFF, 0xC0, 0xC0}}, {about.cmdClose, {0xFF, 0xC0, 0xC0}}};
    for (const auto& [button, face] : buttons) {
        const std::string name =
            button->window()->objectName().toStdString() + "." + button->objectName().toStdString();
        const QImage image = grabbed(*button);
        const int right = image.width() - 1;
        const int bottom = image.height() - 1;
        EXPECT_GE(faceShare(image, face), 0.6) << name;
        EXPECT_EQ(image.pixelColor(0, 0), kWhite) << name;
        EXPECT_EQ(image.pixelColor(right / 2, 0), kWhite) << name;
        EXPECT_EQ(image.pixelColor(0, bottom / 2), kWhite) << name;
        EXPECT_EQ(image.pixelColor(right, bottom), kDarkShadow) << name;
        EXPECT_EQ(image.pixelColor(right / 2, bottom), kDarkShadow) << name;
        EXPECT_EQ(image.pixelColor(right, bottom / 2), kDarkShadow) << name;
        EXPECT_EQ(image.pixelColor(right - 1, bottom - 1), kShadow) << name;
        EXPECT_EQ(image.pixelColor(1, 1), face) << name;
        EXPECT_LT(darkestChannel(image), 0x40) << name << ": a black caption";
    }
    // The picture stands above the caption.
    const QImage run_ = grabbed(*main.cmdRun);
    EXPECT_NE(run_.pixelColor(48, 18), QColor(0xFF, 0xE0, 0xC0)) << "the picture";
}

TEST(GraphicalButton, PressedFocusedAndDisabledLooks) {
    const QColor face(0xFF, 0xC0, 0xC0);
    GraphicalButton button(QStringLiteral("&Kill process"), face);
    button.resize(97, 49);
    const QImage released = grabbed(button);
    const int right = released.width() - 1;
    const int bottom = released.height() - 1;
    EXPECT_EQ(released.pixelColor(3, 3), face) << "no focus rectangle without the focus";

    // Held down: the edge sinks, and the caption moves one pixel right and down.
    button.setDown(true);
    const QImage pressed = grabbed(button);
    EXPECT_EQ(pressed.pixelColor(0, 0), kShadow);
    EXPECT_EQ(pressed.pixelColor(1, 1), kDarkShadow);
    EXPECT_EQ(pressed.pixelColor(right, bottom), kWhite);
    EXPECT_EQ(pressed.pixelColor(right - 1, bottom - 1), face);
    const QRect inside(4, 4, released.width() - 9, released.height() - 9);
    EXPECT_NE(released.copy(inside), pressed.copy(inside));
    EXPECT_EQ(released.copy(inside), pressed.copy(inside.translated(1, 1)));
    button.setDown(false);

    // Focused: a dotted rectangle, every other pixel, three pixels inside the edge.
    button.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&button));
    button.setFocus();
    ASSERT_TRUE(button.hasFocus());
    const QImage focused = grabbed(button);
    for (const QPoint dot : {QPoint(3, 3), QPoint(5, 3), QPoint(3, 5), QPoint(right - 3, 3)})
        EXPECT_EQ(focused.pixelColor(dot), kBlack) << dot.x() << "," << dot.y();
    for (const QPoint gap : {QPoint(4, 3), QPoint(3, 4), QPoint(right - 3, 4)})
        EXPECT_EQ(focused.pixelColor(gap), face) << gap.x() << "," << gap.y();

    // Disabled: a grey caption embossed in white, nothing darker than the grey.
    button.setEnabled(false);
    const QImage disabled = grabbed(button);
    EXPECT_GE(darkestChannel(disabled), 0x80);
    EXPECT_LT(darkestChannel(disabled), 0xB0) << "the grey caption";
    bool embossed = false;
    for (int y = 4; y < disabled.height() - 4; ++y)
        for (int x = 4; x < disabled.width() - 4; ++x)
            embossed = embossed || disabled.pixelColor(x, y).blue() > face.blue() + 0x20;
    EXPECT_TRUE(embossed) << "the white relief";
}
