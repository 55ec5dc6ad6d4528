#include "FakeOsLayer.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <gtest/gtest.h>

namespace {

struct Place {
    const char* name;
    QRect geometry;
};

} // namespace

TEST(MainWindowForm, EveryControlStandsAtItsPlaceWithItsCaption) {
    FakeOsLayer os;
    frmMain window;
    EXPECT_EQ(window.size(), QSize(529, 518));
    EXPECT_TRUE(window.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(window.windowTitle(), "Korvanta Task List");
    const Place places[] = {
        {"lstProcess", {8, 152, 513, 350}},    {"cmdRun", {8, 96, 97, 49}},
        {"cmdKillProcess", {112, 96, 97, 49}}, {"cmdOptions", {216, 96, 97, 49}},
        {"cmdStart", {320, 96, 97, 49}},       {"cmdExit", {424, 96, 97, 49}},
        {"optYes", {528, 608, 73, 33}},        {"MinBtn", {488, 8, 15, 15}},
        {"About", {472, 8, 15, 15}},           {"CrossBtn", {504, 8, 15, 15}},
    };
    for (const Place& place : places) {
        const auto* control = window.findChild<QWidget*>(place.name);
        ASSERT_NE(control, nullptr) << place.name;
        EXPECT_EQ(control->geometry(), place.geometry) << place.name;
    }
    EXPECT_EQ(window.cmdRun->text(), "&Run a task");
    EXPECT_EQ(window.cmdKillProcess->text(), "&Kill process");
    EXPECT_EQ(window.cmdOptions->text(), "&Options");
    EXPECT_EQ(window.cmdStart->text(), "&Start");
    EXPECT_EQ(window.cmdExit->text(), "&Exit");
    EXPECT_EQ(window.optYes->text(), "Option1");
    EXPECT_TRUE(window.optYes->isChecked()) << "selected from creation, before the load";
    EXPECT_FALSE(window.cmdRun->Picture().isNull());
    EXPECT_FALSE(window.rect().intersects(window.optYes->geometry()));

    const QColor faces[] = {{0xFF, 0xE0, 0xC0},
                            {0xFF, 0xC0, 0xC0},
                            {0xC0, 0xFF, 0xC0},
                            {0xC0, 0xC0, 0xFF},
                            {0xFF, 0xC0, 0xC0}};
    const QPushButton* buttons[] = {window.cmdRun, window.cmdKillProcess, window.cmdOptions,
                                    window.cmdStart, window.cmdExit};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(buttons[k]->palette().color(QPalette::Button), faces[k]) << k;
        EXPECT_FALSE(buttons[k]->autoDefault());
    }
}

TEST(MainWindowForm, TheListHasFourFixedColumnsThatKeepTheirWidths) {
    FakeOsLayer os;
    os.setProcessCount(40);
    frmMain window;
    window.Load();
    window.show();
    const QHeaderView* header = window.lstProcess->header();
    const auto* model = window.lstProcess->model();
    ASSERT_EQ(model->columnCount(), 4);
    const char* titles[] = {"Proc. ID", "Exe File", "Threads", "Usage"};
    const int widths[] = {56, 300, 53, 49};
    window.cmdRefresh();
    for (int column = 0; column < 4; ++column) {
        EXPECT_EQ(model->headerData(column, Qt::Horizontal).toString(), titles[column]);
        EXPECT_EQ(header->sectionSize(column), widths[column]) << column;
    }
    EXPECT_FALSE(header->stretchLastSection());
    EXPECT_FALSE(window.lstProcess->rootIsDecorated());
    EXPECT_TRUE(window.lstProcess->isSortingEnabled());
    EXPECT_EQ(header->sortIndicatorSection(), -1) << "the system's order at start";
    EXPECT_EQ(window.lstProcess->selectionBehavior(), QAbstractItemView::SelectRows);
    QApplication::processEvents();
    EXPECT_TRUE(window.lstProcess->verticalScrollBar()->isVisible());
    EXPECT_FALSE(window.lstProcess->horizontalScrollBar()->isVisible());
}

TEST(MainWindowForm, TabRunsFromTheListThroughTheFiveButtons) {
    FakeOsLayer os;
    os.setProcessCount(3);
    frmMain window;
    window.Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::focusWidget(), window.lstProcess);
    const QWidget* expected[] = {window.cmdRun,   window.cmdKillProcess, window.cmdOptions,
                                 window.cmdStart, window.cmdExit,        window.lstProcess};
    for (const QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST(MainWindowForm, AltWithTheMarkedLetterPressesEachButton) {
    FakeOsLayer os;
    frmMain window;
    window.Load();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    const std::pair<QPushButton*, Qt::Key> keys[] = {{window.cmdRun, Qt::Key_R},
                                                     {window.cmdKillProcess, Qt::Key_K},
                                                     {window.cmdOptions, Qt::Key_O},
                                                     {window.cmdStart, Qt::Key_S},
                                                     {window.cmdExit, Qt::Key_E}};
    for (const auto& [button, key] : keys) {
        // The buttons' own actions come from their windows; here only the press counts.
        button->disconnect(SIGNAL(clicked(bool)));
        QSignalSpy clicked(button, &QPushButton::clicked);
        QTest::keyClick(window.windowHandle(), key, Qt::AltModifier);
        EXPECT_TRUE(clicked.wait(2000) || clicked.count() == 1) << button->text().toStdString();
    }
}

TEST(MainWindowForm, TheBottomPixelRowShowsTheFormColourUnderThePicture) {
    FakeOsLayer os;
    frmMain window;
    const QImage image = window.grab().toImage();
    ASSERT_EQ(image.height(), 518);
    for (int x : {0, 100, 528})
        EXPECT_EQ(image.pixelColor(x, 517), QColor(0xC0, 0xC0, 0xFF)) << x;
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0x80, 0xC0, 0xFF)) << "the picture's frame";
}

TEST(MainWindowForm, CaptionPicturesAndTheImageListAreSeparatePictures) {
    FakeOsLayer os;
    frmMain window;
    ASSERT_EQ(window.CrossL.Count(), 6);
    for (int position = 1; position <= 6; ++position) {
        const QPixmap& picture = window.CrossL.ListImage(position);
        EXPECT_EQ(picture.deviceIndependentSize().toSize(), QSize(15, 15));
        for (const PictureBox* box : {window.About, window.MinBtn, window.CrossBtn})
            EXPECT_NE(box->Picture().cacheKey(), picture.cacheKey());
    }
    EXPECT_EQ(window.About->Picture().toImage(), window.CrossL.ListImage(3).toImage());
    EXPECT_EQ(window.MinBtn->Picture().toImage(), window.CrossL.ListImage(5).toImage());
}
