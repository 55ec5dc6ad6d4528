#include "run_dialog/LongLineEdit.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QTest>
#include <QWindow>
#include <gtest/gtest.h>

namespace {

// A key with its modifiers, or (key 0) a text typed.
struct Step {
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* typed;
};

// Letters beyond ASCII come as one key event that carries them, as from a keyboard
// layout or a compose key.
void perform(QWidget& box, const Step& step) {
    const QString typed = QString::fromUtf8(step.typed);
    if (step.key)
        QTest::keyClick(&box, Qt::Key(step.key), step.modifiers);
    else if (typed.toLatin1() == QByteArray(step.typed))
        QTest::keyClicks(&box, typed);
    else
        QTest::sendKeyEvent(QTest::Click, &box, Qt::Key_unknown, typed, Qt::NoModifier);
}

} // namespace

// The same keys on Qt's line edit and on the box leave the same text, cursor and
// selection after every step.
TEST(LongLineEdit, KeysEditMoveAndSelectAsInQtsLineEdit) {
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Step steps[] = {{0, none, "touch \"/tmp/my file\" x"},
                          {Qt::Key_Backspace, none, nullptr},
                          {Qt::Key_Left, none, nullptr},
                          {Qt::Key_Left, shift, nullptr},
                          {Qt::Key_Left, ctrl, nullptr},
                          {Qt::Key_Left, ctrl | shift, nullptr},
                          {Qt::Key_End, none, nullptr},
                          {Qt::Key_Home, none, nullptr},
                          {Qt::Key_Delete, none, nullptr},
                          {Qt::Key_Right, ctrl, nullptr},
                          {Qt::Key_End, shift, nullptr},
                          {0, none, "y"},
                          {Qt::Key_Home, shift, nullptr},
                          {Qt::Key_End, none, nullptr},
                          {Qt::Key_Backspace, ctrl, nullptr},
                          {Qt::Key_Delete, ctrl, nullptr},
                          {Qt::Key_A, ctrl, nullptr},
                          {Qt::Key_X, ctrl, nullptr},
                          {Qt::Key_V, ctrl, nullptr},
                          {Qt::Key_V, ctrl, nullptr},
                          {Qt::Key_Left, shift, nullptr},
                          {Qt::Key_C, ctrl, nullptr},
                          {Qt::Key_End, none, nullptr},
                          {Qt::Key_V, ctrl, nullptr},
                          {0, none,
                           "a\xF0\x9F\x98\x80"
                           "e\xCC\x81"
                           "b"},
                          {Qt::Key_Left, none, nullptr},
                          {Qt::Key_Left, none, nullptr},
                          {Qt::Key_Delete, none, nullptr},
                          {Qt::Key_Backspace, none, nullptr},
                          {Qt::Key_Z, ctrl, nullptr},
                          {Qt::Key_Z, ctrl | shift, nullptr},
                          {Qt::Key_Escape, none, nullptr},
                          {Qt::Key_Return, none, nullptr}};
    QLineEdit reference;
    LongLineEdit box;
    for (QWidget* widget : std::initializer_list<QWidget*>{&reference, &box}) {
        widget->resize(305, 21);
        widget->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(widget));
    }
    int number = 0;
    for (const Step& step : steps) {
        perform(reference, step);
        perform(box, step);
        ++number;
        ASSERT_EQ(box.text(), reference.text()) << "step " << number;
        EXPECT_EQ(box.cursorPosition(), reference.cursorPosition()) << "step " << number;
        EXPECT_EQ(box.selectedText(), reference.selectedText()) << "step " << number;
    }
}

TEST(LongLineEdit, UndoTakesBackARunOfTypingOrDeletingAtOnce) {
    LongLineEdit box;
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QTest::keyClicks(&box, "notepad");
    QTest::keyClick(&box, Qt::Key_Space);
    QTest::keyClicks(&box, "file");
    for (int k = 0; k < 3; ++k)
        QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_EQ(box.text(), "notepad f");
    box.undo();
    EXPECT_EQ(box.text(), "notepad file");
    box.undo();
    EXPECT_EQ(box.text(), "");
    EXPECT_FALSE(box.isUndoAvailable());
    box.redo();
    box.redo();
    EXPECT_EQ(box.text(), "notepad f");
    EXPECT_EQ(box.cursorPosition(), 9);
}

// Two megabytes in the box: the cursor's end of the text is in sight, the rest is out,
// and every key, click and paint lays out only what is shown.
TEST(LongLineEdit, AHugeTextKeepsTheCursorInSightWhereverItMoves) {
    QString text;
    while (text.size() < 2'000'000)
        text += QStringLiteral("alpha bravo charlie ");
    LongLineEdit box;
    box.resize(305, 21);
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QGuiApplication::clipboard()->setText(text);
    QTest::keyClick(&box, Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(box.text(), text);
    const qsizetype end = text.size();
    const auto inSight = [&](qsizetype position) {
        const QRect character = box.characterRect(position);
        return character.isValid() && box.rect().contains(character.center());
    };
    EXPECT_TRUE(inSight(end - 1));
    EXPECT_FALSE(inSight(0));
    EXPECT_FALSE(inSight(end - 1000));

    QTest::keyClick(&box, Qt::Key_Home);
    EXPECT_TRUE(inSight(0));
    EXPECT_FALSE(inSight(end - 1));
    for (int k = 0; k < 200; ++k)
        QTest::keyClick(&box, Qt::Key_Right);
    EXPECT_EQ(box.cursorPosition(), 200);
    EXPECT_TRUE(inSight(199));
    EXPECT_FALSE(inSight(0));

    // A click lands on the character under the pointer, a drag past the left edge
    // scrolls back, and a double-click takes the word. The pointer goes through the
    // window, as a user's does.
    QWindow* window = box.windowHandle();
    const QRect character = box.characterRect(190);
    const QPoint leftOfTheBox(-50, character.center().y());
    QTest::mouseClick(window, Qt::LeftButton, {},
                      QPoint(character.left() + 1, character.center().y()));
    EXPECT_EQ(box.cursorPosition(), 190);
    QTest::mousePress(window, Qt::LeftButton, {}, character.center());
    for (int k = 0; k < 40; ++k)
        QTest::mouseMove(window, leftOfTheBox);
    QTest::mouseRelease(window, Qt::LeftButton, {}, leftOfTheBox);
    EXPECT_LT(box.cursorPosition(), 190);
    EXPECT_TRUE(inSight(box.cursorPosition()));
    EXPECT_EQ(box.selectionEnd(), 190);
    const QRect word = box.characterRect(box.text().indexOf(u"bravo", box.cursorPosition()) + 1);
    ASSERT_TRUE(word.isValid());
    QTest::mouseDClick(window, Qt::LeftButton, {}, word.center());
    EXPECT_EQ(box.selectedText(), "bravo");

    // Deleting all of it shows the start again.
    box.selectAll();
    QTest::keyClick(&box, Qt::Key_Backspace);
    EXPECT_TRUE(box.text().isEmpty());
    QTest::keyClicks(&box, "ls");
    EXPECT_TRUE(inSight(0));
}

TEST(LongLineEdit, LooksLikeQtsLineEdit) {
    QLineEdit reference(QStringLiteral("notepad \"C:\\my file.txt\""));
    LongLineEdit box(reference.text());
    reference.resize(305, 21);
    box.resize(305, 21);
    reference.setCursorPosition(0);
    box.setCursorPosition(0);
    EXPECT_EQ(box.grab().toImage(), reference.grab().toImage());
}

TEST(LongLineEdit, InputMethodsComposeAndCommit) {
    LongLineEdit box(QStringLiteral("run "));
    box.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    QInputMethodEvent composing(QStringLiteral("ka"), {});
    QApplication::sendEvent(&box, &composing);
    EXPECT_EQ(box.text(), "run ");
    EXPECT_EQ(box.inputMethodQuery(Qt::ImSurroundingText).toString(), "run ");
    QInputMethodEvent committed;
    committed.setCommitString(QString::fromUtf8("\xE3\x81\x8B"));
    QApplication::sendEvent(&box, &committed);
    EXPECT_EQ(box.text(), QString::fromUtf8("run \xE3\x81\x8B"));
    EXPECT_EQ(box.inputMethodQuery(Qt::ImCursorPosition).toInt(), 5);
}

TEST(LongLineEdit, AssistiveToolsSeeAndEditTheText) {
    LongLineEdit box(QStringLiteral("notepad"));
    box.setAccessibleName(QStringLiteral("Program"));
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&box);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->role(), QAccessible::EditableText);
    EXPECT_EQ(face->text(QAccessible::Name), "Program");
    EXPECT_EQ(face->text(QAccessible::Value), "notepad");
    EXPECT_TRUE(face->state().editable);
    QAccessibleTextInterface* text = face->textInterface();
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->characterCount(), 7);
    EXPECT_EQ(text->cursorPosition(), 7);
    text->setSelection(0, 0, 4);
    EXPECT_EQ(box.selectedText(), "note");
    EXPECT_EQ(text->selectionCount(), 1);
    QAccessibleEditableTextInterface* editable = face->editableTextInterface();
    ASSERT_NE(editable, nullptr);
    editable->replaceText(0, 4, QStringLiteral("key"));
    EXPECT_EQ(box.text(), "keypad");
}
