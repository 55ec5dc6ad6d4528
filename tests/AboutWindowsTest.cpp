#include "FakeOsLayer.h"
#include "TopLevels.h"
#include "about/AuthorDetails.h"
#include "about/frmAbout.h"
#include "about/frmAboutProgrammer.h"
#include "app/Forms.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QPointer>
#include <QRegularExpression>
#include <QScreen>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// The main window with the question-mark picture clicked once. The window shown last is
// the one on top, so the order of showing is kept.
struct Opened : QObject {
    Opened() {
        window.Load();
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        qApp->installEventFilter(this);
        QTest::mouseClick(window.About, Qt::LeftButton);
        qApp->removeEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType() &&
            static_cast<QWidget*>(watched)->isWindow())
            shownInOrder.append(watched->objectName());
        return false;
    }
    FakeOsLayer os;
    frmMain window;
    QStringList shownInOrder;
};

// A click at a place of the card, found by the window system as a user's click would be.
void clickCard(frmAboutProgrammer& card, QPoint place) {
    QTest::mouseClick(card.windowHandle(), Qt::LeftButton, {}, place);
}

QPoint centreOf(const QWidget& widget) {
    return widget.geometry().center();
}

} // namespace

TEST(AboutWindows, NoneExistsUntilTheQuestionMarkIsClicked) {
    FakeOsLayer os;
    frmMain window;
    window.Load();
    EXPECT_TRUE(topLevels<frmAbout>().isEmpty());
    EXPECT_TRUE(topLevels<frmAboutProgrammer>().isEmpty());
    QTest::mouseClick(window.About, Qt::LeftButton);
    EXPECT_EQ(topLevels<frmAbout>(), QList<frmAbout*>{&Forms::About()});
    EXPECT_EQ(topLevels<frmAboutProgrammer>(),
              QList<frmAboutProgrammer*>{&Forms::AboutProgrammer()});
}

TEST(AboutWindows, OneClickShowsBothModelessCentredTheCardInFront) {
    Opened opened;
    frmAbout& about = Forms::About();
    frmAboutProgrammer& card = Forms::AboutProgrammer();
    EXPECT_TRUE(about.isVisible());
    EXPECT_TRUE(card.isVisible());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&card));
    for (const QWidget* shown : {static_cast<QWidget*>(&about), static_cast<QWidget*>(&card)}) {
        EXPECT_EQ(shown->parentWidget(), nullptr);
        EXPECT_FALSE(shown->isModal());
        const QPoint screenCentre = shown->screen()->availableGeometry().center();
        EXPECT_LE((shown->frameGeometry().center() - screenCentre).manhattanLength(), 2);
    }
    EXPECT_TRUE(card.frameGeometry().contains(about.frameGeometry()));
    EXPECT_EQ(QApplication::activeWindow(), &card);
    EXPECT_EQ(opened.shownInOrder, (QStringList{"frmAbout", "frmAboutProgrammer"}));

    // Neither blocks the main window.
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    opened.window.cmdStart->click();
    EXPECT_EQ(opened.window.cmdStart->text(), "&Stop");
}

TEST(AboutWindows, TheCardHidesOnItsSurfacePhotographAndDetailLinesOnly) {
    Opened opened;
    frmAboutProgrammer& card = Forms::AboutProgrammer();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&card));
    struct Place {
        const char* name;
        QPoint point;
        bool hides;
    };
    const Place places[] = {
        {"surface", {440, 195}, true},
        {"photograph", centreOf(*card.Image1), true},
        {"name", card.lblLabel[0]->geometry().topLeft() + QPoint(3, 3), true},
        {"qualification", centreOf(*card.lblLabel[1]), true},
        {"job title", centreOf(*card.lblLabel[2]), true},
        {"telephone", centreOf(*card.lblLabel[3]), true},
        {"rule beyond the name", {435, 88}, true},
        {"heading", card.Label1->geometry().topLeft() + QPoint(10, 20), false},
        {"banner", {20, 20}, false},
        {"banner beside the heading", {420, 30}, false},
    };
    for (const Place& place : places) {
        SCOPED_TRACE(place.name);
        Forms::About().Show();
        card.Show();
        ASSERT_TRUE(card.isVisible());
        clickCard(card, place.point);
        EXPECT_EQ(card.isVisible(), !place.hides);
        EXPECT_TRUE(Forms::About().isVisible()) << "the about box stays";
    }
}

TEST(AboutWindows, CloseHidesTheAboutBoxAndLeavesTheCard) {
    Opened opened;
    frmAbout& about = Forms::About();
    frmAboutProgrammer& card = Forms::AboutProgrammer();
    QTest::mouseClick(about.cmdClose, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_TRUE(card.isVisible());

    // Alt+C does the same once the box is the active window.
    about.Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&about));
    QTest::keyClick(about.windowHandle(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !about.isVisible(); }, 3000));
    EXPECT_TRUE(card.isVisible());
}

TEST(AboutWindows, TheQuestionMarkAgainShowsTheSameTwoInTheSamePlaces) {
    Opened opened;
    frmAbout* about = &Forms::About();
    frmAboutProgrammer* card = &Forms::AboutProgrammer();
    ASSERT_TRUE(QTest::qWaitForWindowActive(card));
    const QRect aboutPlace = about->geometry();
    const QRect cardPlace = card->geometry();
    clickCard(*card, {440, 195});
    QTest::mouseClick(about->cmdClose, Qt::LeftButton);
    ASSERT_FALSE(about->isVisible() || card->isVisible());

    QTest::mouseClick(opened.window.About, Qt::LeftButton);
    EXPECT_EQ(&Forms::About(), about);
    EXPECT_EQ(&Forms::AboutProgrammer(), card);
    EXPECT_TRUE(about->isVisible() && card->isVisible());
    EXPECT_EQ(about->geometry(), aboutPlace);
    EXPECT_EQ(card->geometry(), cardPlace);
    EXPECT_TRUE(QTest::qWaitForWindowActive(card));

    // Clicked while both are shown, both stay shown.
    QTest::mouseClick(opened.window.About, Qt::LeftButton);
    EXPECT_TRUE(about->isVisible() && card->isVisible());
}

TEST(AboutWindows, ACardClosedByItsTitleBarIsMadeAnewNextTime) {
    Opened opened;
    QPointer<frmAboutProgrammer> first = &Forms::AboutProgrammer();
    const QString firstName = first->lblLabel[0]->text();
    first->windowHandle()->close();
    EXPECT_FALSE(first->isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return first.isNull(); }, 3000));
    EXPECT_TRUE(Forms::About().isVisible());

    QTest::mouseClick(opened.window.About, Qt::LeftButton);
    frmAboutProgrammer& second = Forms::AboutProgrammer();
    EXPECT_TRUE(second.isVisible());
    EXPECT_EQ(second.lblLabel[0]->text(), firstName);
}

TEST(AboutWindows, ACloseAndAnOpeningInOneBreathStillShowACard) {
    Opened opened;
    Forms::AboutProgrammer().close();
    QTest::mouseClick(opened.window.About, Qt::LeftButton);
    QPointer<frmAboutProgrammer> card = &Forms::AboutProgrammer();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(card.isNull());
    EXPECT_TRUE(card->isVisible());
}

TEST(AboutWindows, TheWindowsLookAsDesigned) {
    frmAbout about;
    EXPECT_EQ(about.size(), QSize(274, 191));
    EXPECT_TRUE(about.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(about.windowTitle().isEmpty());
    EXPECT_EQ(about.cmdClose->geometry(), QRect(96, 160, 81, 25));
    EXPECT_EQ(about.cmdClose->text(), "&Close");
    EXPECT_EQ(about.cmdClose->palette().color(QPalette::Button), QColor(0xFF, 0xC0, 0xC0));
    const QImage aboutImage = about.grab().toImage();
    EXPECT_EQ(aboutImage.pixelColor(2, 185), QColor(0xFF, 0x80, 0x00));

    frmAboutProgrammer card;
    EXPECT_EQ(card.windowTitle(), "About Programmer");
    EXPECT_EQ(card.size(), QSize(447, 202));
    EXPECT_EQ(card.minimumSize(), card.maximumSize());
    EXPECT_FALSE(card.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_FALSE(card.windowFlags() &
                 (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(card.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(card.windowIcon().isNull());
    EXPECT_EQ(card.Label1->text(), "About Programmer");
    EXPECT_EQ(card.Label1->geometry(), QRect(88, 8, 289, 41));
    EXPECT_EQ(card.Label1->palette().color(QPalette::WindowText), QColor(0x80, 0x80, 0x00));
    EXPECT_EQ(card.Image2->geometry(), QRect(0, 0, 449, 49));
    EXPECT_EQ(card.Image1->geometry(), QRect(8, 56, 127, 134));
    EXPECT_EQ(card.Line1->geometry(), QRect(142, 86, 301, 5)); // the rule and its pen's reach
    const QRect lines[] = {
        {144, 56, 289, 33}, {144, 96, 273, 17}, {144, 120, 273, 41}, {144, 176, 273, 17}};
    for (int index = 0; index < 4; ++index) {
        const QLabel* line = card.lblLabel[static_cast<std::size_t>(index)];
        EXPECT_EQ(line->objectName(), QStringLiteral("lblLabel(%1)").arg(index));
        EXPECT_EQ(line->geometry(), lines[index]);
        // Every line fits its box: nothing of the author's details is cut off. Letters may
        // reach into the line spacing below, as the name's large ones do.
        const QFontMetrics metrics = line->fontMetrics();
        const QRect needed = metrics.boundingRect(
            line->contentsRect(), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, line->text());
        EXPECT_LE(needed.width(), line->width()) << line->text().toStdString();
        EXPECT_LE(needed.height() - metrics.descent(), line->height())
            << line->text().toStdString();
    }
    EXPECT_EQ(card.lblLabel[0]->text(), AuthorDetails::Name);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("555 01\\d\\d$"))
                    .match(card.lblLabel[3]->text())
                    .hasMatch());
    const QImage cardImage = card.grab().toImage();
    EXPECT_EQ(cardImage.pixelColor(440, 197), QColor(0xFF, 0xFF, 0x80));
    // The rule from (144, 88) to (440, 88), two pixels thick, and nothing else of its colour
    // about it.
    for (int y = 82; y <= 94; ++y) {
        int first = -1;
        int last = -1;
        for (int x = 0; x < cardImage.width(); ++x) {
            if (cardImage.pixelColor(x, y) == QColor(0x80, 0x80, 0x00)) {
                first = first < 0 ? x : first;
                last = x;
            }
        }
        const bool rule = y == 87 || y == 88;
        EXPECT_EQ(first, rule ? 144 : -1) << y;
        EXPECT_EQ(last, rule ? 439 : -1) << y;
    }
}
