#pragma once

#include <QBasicTimer>
#include <QPoint>
#include <QString>
#include <QTextLayout>
#include <QWidget>
#include <memory>
#include <vector>

class QStyleOptionFrame;

// A one-line text box for a text of any length, with the keys, mouse, clipboard, undo,
// input methods and accessibility of Qt's line edit, and its look. Qt's line edit lays
// out and measures its whole text at every change and every paint, which for a pasted
// text of megabytes takes a good part of a second each time and holds some 60 bytes
// per character. This box keeps the text as it is and lays out only the stretch it shows
// and the few characters around the cursor that a move needs, so a text of megabytes
// types, moves and paints as fast as a short one.
class LongLineEdit : public QWidget {
    Q_OBJECT
public:
    explicit LongLineEdit(const QString& text = QString(), QWidget* parent = nullptr);
    ~LongLineEdit() override;

    const QString& text() const { return text_; }
    // Replaces the whole text; the cursor goes to its end and nothing is left to undo.
    void setText(const QString& text);
    void clear() { setText(QString()); }

    qsizetype cursorPosition() const { return cursor_; }
    void setCursorPosition(qsizetype position);
    void setSelection(qsizetype start, qsizetype length);
    void selectAll();
    void deselect();
    bool hasSelectedText() const { return anchor_ != cursor_; }
    QString selectedText() const;
    qsizetype selectionStart() const; // -1 without a selection
    qsizetype selectionEnd() const;   // -1 without a selection

    // Replaces the selection, or inserts at the cursor.
    void insert(const QString& text);
    // Replaces the characters from start to end; the cursor ends after the new ones.
    void replace(qsizetype start, qsizetype end, const QString& text);
    bool isUndoAvailable() const { return !undo_.empty(); }
    bool isRedoAvailable() const { return !redo_.empty(); }
    void undo();
    void redo();
    void cut();
    void copy() const;
    void paste();

    // Where the character at position is drawn (empty when it is scrolled out of sight),
    // the position nearest to a point, and a scroll that shows position.
    QRect characterRect(qsizetype position) const;
    qsizetype positionAt(const QPoint& point) const;
    void scrollTo(qsizetype position);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void textChanged(const QString& text);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    // One step of the undo history. Typing, Backspace and Delete each gather a run of
    // presses into one step, as in Qt's line edit.
    enum class EditKind { Typing, Backspace, Delete, Other };
    struct Edit {
        qsizetype position;
        QString removed;
        QString inserted;
        qsizetype cursorBefore;
        qsizetype anchorBefore;
        EditKind kind;
    };

    void initStyleOption(QStyleOptionFrame* option) const;
    QRect textArea() const;
    QPoint layoutOrigin() const;
    std::unique_ptr<QTextLayout> layoutOf(qsizetype start, qsizetype length,
                                          const QString& after = QString()) const;
    static QTextLine laidOut(QTextLayout& layout);
    const QTextLayout& shownLayout() const;
    void forgetLayout();
    qsizetype shownCursor() const;
    qsizetype startShowingUpTo(qsizetype end, qreal width, const QString& after) const;
    qsizetype positionAtX(qreal x) const;
    void ensureCursorVisible();
    void setFirst(qsizetype first);

    qsizetype nextCursorPosition(qsizetype position, QTextLayout::CursorMode mode) const;
    qsizetype previousCursorPosition(qsizetype position, QTextLayout::CursorMode mode) const;
    void moveCursor(qsizetype position, bool mark);
    void selectWordAt(qsizetype position);
    void edit(qsizetype start, qsizetype end, const QString& inserted, EditKind kind);
    void apply(qsizetype position, qsizetype removedLength, const QString& inserted,
               qsizetype cursor, qsizetype anchor);
    void deleteBackward(QTextLayout::CursorMode mode);
    void deleteForward(QTextLayout::CursorMode mode);
    void deleteTo(qsizetype position, EditKind kind);
    void commitPreedit();
    bool handleStandardKey(QKeyEvent* event);
    void copyToSelectionClipboard() const;
    void restartBlinking();
    void notifyCursor() const;

    QString text_;
    qsizetype cursor_ = 0;
    qsizetype anchor_ = 0;
    qsizetype first_ = 0; // the first character shown at the left edge
    QString preedit_;
    qsizetype preeditCursor_ = 0;
    QList<QTextLayout::FormatRange> preeditFormats_;
    std::vector<Edit> undo_;
    std::vector<Edit> redo_;
    bool mergeable_ = false;

    mutable std::unique_ptr<QTextLayout> shown_;
    mutable qsizetype shownLength_ = 0;

    QBasicTimer blinkTimer_;
    bool cursorOn_ = true;
    QBasicTimer tripleClickTimer_;
    QPoint tripleClickPoint_;
    bool selecting_ = false;
};
