#include "DrainPosted.h"
#include "FakeOsLayer.h"
#include "run_dialog/run_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QMimeData>
#include <QTest>
#include <QToolTip>
#include <functional>
#include <gtest/gtest.h>

// The Run text box is Qt's line edit, held to the longest command line Windows starts; a
// paste past that is refused whole, and the selection stays from one opening to the next.

namespace {

const QString kRefusal = "Too long to paste: a command line holds at most 32,767 characters.";

void showActive(frmRun& dialog) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
}

enum class Way { CtrlV, ShiftInsert, Menu, Drop };

const char* nameOf(Way way) {
    switch (way) {
    case Way::CtrlV:
        return "Ctrl+V";
    case Way::ShiftInsert:
        return "Shift+Insert";
    case Way::Menu:
        return "the menu's Paste";
    case Way::Drop:
        return "a drop";
    }
    return "?";
}

// Pastes text into the box as a user does it one way or another, and gives what the box
// told the user: the tooltip beside it, or the tip of the menu's Paste when that is greyed.
QString paste(QLineEdit& box, Way way, const QString& text) {
    QToolTip::hideText();
    QGuiApplication::clipboard()->setText(text);
    switch (way) {
    case Way::CtrlV:
        QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
        break;
    case Way::ShiftInsert:
        QTest::keyClick(&box, Qt::Key_Insert, Qt::ShiftModifier);
        break;
    case Way::Menu: {
        const QPoint middle = box.rect().center();
        QContextMenuEvent request(QContextMenuEvent::Mouse, middle, box.mapToGlobal(middle));
        QApplication::sendEvent(&box, &request);
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return "no menu";
        const QList<QAction*> actions = menu->actions();
        const auto item = std::find_if(actions.begin(), actions.end(), [](const QAction* action) {
            return action->text().startsWith("&Paste");
        });
        if (item == actions.end())
            return "no Paste in the menu";
        const bool greyed = !(*item)->isEnabled();
        const QString told = greyed && menu->toolTipsVisible() ? (*item)->toolTip() : QString();
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(*item).center());
        if (greyed)
            QTest::keyClick(menu, Qt::Key_Escape);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !QApplication::activePopupWidget(); }, 5000));
        return told;
    }
    case Way::Drop: {
        QMimeData data;
        data.setText(text);
        const QPoint middle = box.rect().center();
        QDragEnterEvent enter(middle, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&box, &enter);
        QDropEvent drop(middle, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(&box, &drop);
        break;
    }
    }
    return QToolTip::isVisible() ? QToolTip::text() : QString();
}

} // namespace

TEST(RunTextBox, APasteThatWouldMakeTheTextTooLongIsRefusedWholeAndTheBoxSaysWhy) {
    // The box holds "notepad", its cursor at the end or the whole text selected. A paste
    // replaces the selection; a drop goes in where it falls (the drag moves the cursor).
    struct Case {
        Way way;
        bool allSelected;
        qsizetype pasted;
        qsizetype lengthAfter; // 0: refused
    };
    const Case cases[] = {
        {Way::CtrlV, false, 32760, 32767},   {Way::CtrlV, false, 32761, 0},
        {Way::CtrlV, true, 32767, 32767},    {Way::CtrlV, true, 2'000'000, 0},
        {Way::ShiftInsert, false, 32761, 0}, {Way::ShiftInsert, true, 32767, 32767},
        {Way::Menu, false, 32761, 0},        {Way::Menu, true, 32767, 32767},
        {Way::Drop, false, 32760, 32767},    {Way::Drop, true, 32761, 0},
        {Way::Drop, false, 2'000'000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(nameOf(c.way)) +
                     (c.allSelected ? " with all selected, " : " at the end, ") +
                     std::to_string(c.pasted));
        frmRun dialog;
        showActive(dialog);
        QLineEdit& box = *dialog.txtRun;
        if (c.allSelected)
            box.selectAll();
        const QString pasted(c.pasted, u'x');
        const QString told = paste(box, c.way, pasted);
        if (c.lengthAfter) {
            EXPECT_EQ(box.text().size(), c.lengthAfter);
            EXPECT_TRUE(box.text().endsWith(pasted));
            EXPECT_EQ(told, "");
        } else {
            EXPECT_EQ(box.text(), "notepad");
            if (c.way != Way::Drop) {
                EXPECT_EQ(box.selectedText(), c.allSelected ? "notepad" : "");
            }
            EXPECT_FALSE(box.isUndoAvailable()) << "something was put in and taken out again";
            EXPECT_EQ(told, kRefusal);
        }
    }
    QToolTip::hideText();
}

TEST(RunTextBox, TheSelectionIsThereAgainAtTheNextOpeningHoweverTheDialogWasLeft) {
    FakeOsLayer os;
    struct Leaving {
        const char* how;
        std::function<void(frmRun&)> leave;
    };
    const Leaving ways[] = {
        {"Cancel clicked",
         [](frmRun& d) {
             QTest::mouseClick(d.cmdCancel, Qt::LeftButton);
         }},
        {"the cross clicked",
         [](frmRun& d) {
             QTest::mouseClick(d.CrossBtn, Qt::LeftButton);
         }},
        {"Alt+C",
         [](frmRun& d) {
             QTest::keyClick(d.windowHandle(), Qt::Key_C, Qt::AltModifier);
         }},
        {"Tab to Cancel, Space",
         [](frmRun& d) {
             QTest::keyClick(d.txtRun, Qt::Key_Tab);
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
         }},
        {"Enter, Enter on Run",
         [](frmRun& d) {
             QTest::keyClick(d.txtRun, Qt::Key_Return);
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
         }},
    };
    // "c d" selected from its end, so the cursor stands at its start; or nothing selected.
    for (const int selected : {3, 0}) {
        for (const Leaving& way : ways) {
            SCOPED_TRACE(std::string(way.how) + ", selected " + std::to_string(selected));
            frmRun dialog;
            showActive(dialog);
            dialog.txtRun->setText("abc def");
            dialog.txtRun->setCursorPosition(5);
            for (int k = 0; k < selected; ++k)
                QTest::keyClick(dialog.txtRun, Qt::Key_Left, Qt::ShiftModifier);
            const QString kept = dialog.txtRun->selectedText();
            ASSERT_EQ(kept.size(), selected);
            const int cursor = dialog.txtRun->cursorPosition();
            way.leave(dialog);
            EXPECT_TRUE(QTest::qWaitFor([&] { return !dialog.isVisible(); }, 5000));
            showActive(dialog);
            drainPosted();
            EXPECT_EQ(dialog.txtRun->selectedText(), kept);
            EXPECT_EQ(dialog.txtRun->cursorPosition(), cursor);
        }
    }
}
