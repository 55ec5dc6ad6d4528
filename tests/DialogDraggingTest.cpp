#include "FakeOsLayer.h"
#include "Ticking.h"
#include "options_dialog/frmOptions.h"
#include "run_dialog/run_dialog.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

// Drags a dialog by its title band and checks that its labels and controls start nothing.
void expectDragsBySurfaceOnly(QWidget& dialog, FormTimer& timer,
                              const std::vector<QWidget*>& controls) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QWindow* surface = dialog.windowHandle();
    for (QWidget* control : controls) {
        const QPoint at = control->geometry().center();
        QTest::mousePress(surface, Qt::LeftButton, {}, at);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, at);
        EXPECT_EQ(timer.Interval(), 0) << control->objectName().toStdString();
    }
    const QPoint start = dialog.pos();
    QTest::mousePress(surface, Qt::RightButton, {}, QPoint(200, 40));
    EXPECT_TRUE(ticking(timer));
    QTest::mouseMove(surface, QPoint(230, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return dialog.pos() == start + QPoint(30, -20); }, 5000));
    QTest::mouseRelease(surface, Qt::RightButton, {}, QPoint(230, 20));
    EXPECT_FALSE(timer.Enabled());
}

} // namespace

TEST(DialogDragging, TheRunDialogDragsByItsSurfaceButNotByItsControlsOrLabels) {
    FakeOsLayer os;
    frmRun dialog;
    expectDragsBySurfaceOnly(dialog, *dialog.Timer1, {dialog.Label1, dialog.Label2, dialog.txtRun});
}

TEST(DialogDragging, TheOptionsDialogDragsByItsSurfaceButNotByItsControlsOrLabels) {
    FakeOsLayer os;
    frmOptions dialog;
    expectDragsBySurfaceOnly(dialog, *dialog.Timer1,
                             {dialog.Label1, dialog.Label2, dialog.Check1, dialog.Text1});
}
