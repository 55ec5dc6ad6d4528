#include "LongLineEdit.h"

#include "LongLineEditAccessible.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethod>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QStyle>
#include <QStyleHints>
#include <QStyleOptionFrame>
#include <QTextLine>
#include <algorithm>

namespace {

// Between the frame's inside and the text, as in Qt's line edit.
constexpr int kHorizontalMargin = 2;
// The longest stretch laid out at once: only characters without any width need so many.
constexpr qsizetype kLongestStretch = qsizetype(1) << 16;
// The characters on either side of a position that finding the next character or word
// looks at.
constexpr qsizetype kNeighbourhood = 256;
// The characters on either side of the cursor that an input method is shown.
constexpr qsizetype kSurrounding = 1024;

// Control characters show as spaces, as in Qt's line edit.
QString displayed(QStringView text) {
    QString shown = text.toString();
    for (QChar& c : shown)
        if ((c.unicode() < 0x20 && c != u'\t') || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator || c == QChar::ObjectReplacementCharacter)
            c = u' ';
    return shown;
}

// What a key press types, as Qt's text controls accept it.
bool typesText(const QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty())
        return false;
    const QChar c = text.front();
    if (c.category() == QChar::Other_Format)
        return true;
    const Qt::KeyboardModifiers modifiers = event->modifiers();
    if (modifiers == Qt::ControlModifier || modifiers == (Qt::ShiftModifier | Qt::ControlModifier))
        return false;
    return c.isPrint() || c.category() == QChar::Other_PrivateUse ||
           (c.isHighSurrogate() && text.size() > 1 && text.at(1).isLowSurrogate());
}

// The standard keys the box uses, before the window's shortcuts may take them.
using Key = QKeySequence;
const Key::StandardKey kOwnKeys[] = {Key::Copy,
                                     Key::Paste,
                                     Key::Cut,
                                     Key::Redo,
                                     Key::Undo,
                                     Key::SelectAll,
                                     Key::MoveToNextWord,
                                     Key::MoveToPreviousWord,
                                     Key::SelectNextWord,
                                     Key::SelectPreviousWord,
                                     Key::MoveToStartOfLine,
                                     Key::MoveToEndOfLine,
                                     Key::SelectStartOfLine,
                                     Key::SelectEndOfLine,
                                     Key::DeleteStartOfWord,
                                     Key::DeleteEndOfWord,
                                     Key::DeleteEndOfLine,
                                     Key::Deselect};

QString withShortcut(const QString& label, QKeySequence::StandardKey key) {
    const QString shortcut = QKeySequence(key).toString(QKeySequence::NativeText);
    return shortcut.isEmpty() ? label : label + u'\t' + shortcut;
}

} // namespace

LongLineEdit::LongLineEdit(const QString& text, QWidget* parent)
    : QWidget(parent), text_(text), cursor_(text.size()), anchor_(text.size()) {
    static const bool accessible = [] {
        QAccessible::installFactory(&LongLineEditAccessible::create);
        return true;
    }();
    Q_UNUSED(accessible);
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_InputMethodEnabled);
    setAttribute(Qt::WA_MacShowFocusRect);
    setCursor(Qt::IBeamCursor);
    setAcceptDrops(true);
    setBackgroundRole(QPalette::Base);
    setSizePolicy(QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed, QSizePolicy::LineEdit));
}

LongLineEdit::~LongLineEdit() = default;

void LongLineEdit::setText(const QString& text) {
    undo_.clear();
    redo_.clear();
    preedit_.clear();
    preeditFormats_.clear();
    apply(0, text_.size(), text, text.size(), text.size());
}

void LongLineEdit::setCursorPosition(qsizetype position) {
    moveCursor(position, false);
}

void LongLineEdit::setSelection(qsizetype start, qsizetype length) {
    start = std::clamp<qsizetype>(start, 0, text_.size());
    moveCursor(start, false);
    moveCursor(start + length, true);
}

void LongLineEdit::selectAll() {
    moveCursor(0, false);
    moveCursor(text_.size(), true);
}

void LongLineEdit::deselect() {
    moveCursor(cursor_, false);
}

QString LongLineEdit::selectedText() const {
    return hasSelectedText() ? text_.mid(selectionStart(), selectionEnd() - selectionStart())
                             : QString();
}

qsizetype LongLineEdit::selectionStart() const {
    return hasSelectedText() ? std::min(anchor_, cursor_) : -1;
}

qsizetype LongLineEdit::selectionEnd() const {
    return hasSelectedText() ? std::max(anchor_, cursor_) : -1;
}

void LongLineEdit::insert(const QString& text) {
    if (hasSelectedText())
        edit(selectionStart(), selectionEnd(), text, EditKind::Other);
    else
        edit(cursor_, cursor_, text, EditKind::Other);
}

void LongLineEdit::replace(qsizetype start, qsizetype end, const QString& text) {
    start = std::clamp<qsizetype>(start, 0, text_.size());
    end = std::clamp<qsizetype>(end, start, text_.size());
    edit(start, end, text, EditKind::Other);
}

void LongLineEdit::undo() {
    if (undo_.empty())
        return;
    Edit step = std::move(undo_.back());
    undo_.pop_back();
    apply(step.position, step.inserted.size(), step.removed, step.cursorBefore, step.anchorBefore);
    redo_.push_back(std::move(step));
}

void LongLineEdit::redo() {
    if (redo_.empty())
        return;
    Edit step = std::move(redo_.back());
    redo_.pop_back();
    const qsizetype after = step.position + step.inserted.size();
    apply(step.position, step.removed.size(), step.inserted, after, after);
    undo_.push_back(std::move(step));
}

void LongLineEdit::cut() {
    if (!hasSelectedText())
        return;
    copy();
    edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
}

void LongLineEdit::copy() const {
    if (hasSelectedText())
        QGuiApplication::clipboard()->setText(selectedText());
}

void LongLineEdit::paste() {
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty() || hasSelectedText())
        insert(pasted);
}

QRect LongLineEdit::characterRect(qsizetype position) const {
    const QTextLayout& shown = shownLayout();
    if (position < first_ || position >= first_ + shownLength_)
        return QRect();
    const QTextLine line = shown.lineAt(0);
    qsizetype local = position - first_;
    if (!preedit_.isEmpty() && position >= cursor_)
        local += preedit_.size();
    const qreal left = line.cursorToX(int(local));
    if (left > textArea().width())
        return QRect();
    const qreal right = line.cursorToX(shown.nextCursorPosition(int(local)));
    const QRect area = textArea();
    return QRect(layoutOrigin().x() + qRound(left), area.top(), qRound(right - left),
                 area.height());
}

qsizetype LongLineEdit::positionAt(const QPoint& point) const {
    return positionAtX(point.x() - layoutOrigin().x());
}

void LongLineEdit::scrollTo(qsizetype position) {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    if (position < first_ || !characterRect(position).isValid())
        setFirst(position < first_ ? position
                                   : startShowingUpTo(position, textArea().width() - 1, {}));
}

QSize LongLineEdit::sizeHint() const {
    ensurePolished();
    const QFontMetrics metrics = fontMetrics();
    const int height = std::max(metrics.height(), 14) + 2;
    const int width = metrics.horizontalAdvance(u'x') * 17 + 2 * kHorizontalMargin;
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}

QSize LongLineEdit::minimumSizeHint() const {
    ensurePolished();
    const QFontMetrics metrics = fontMetrics();
    const int height = metrics.height() + 2;
    const int width = metrics.maxWidth() + 2 * kHorizontalMargin;
    QStyleOptionFrame option;
    initStyleOption(&option);
    return style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, height), this);
}

QVariant LongLineEdit::inputMethodQuery(Qt::InputMethodQuery query) const {
    // An input method sees the text around the cursor, not megabytes of it.
    const qsizetype around = std::max<qsizetype>(0, cursor_ - kSurrounding);
    const qsizetype aroundEnd = std::min(text_.size(), cursor_ + kSurrounding);
    switch (query) {
    case Qt::ImEnabled:
        return isEnabled();
    case Qt::ImCursorRectangle: {
        const QRect area = textArea();
        const qreal x = shownLayout().lineAt(0).cursorToX(int(shownCursor()));
        return QRect(layoutOrigin().x() + qRound(x), area.top(), 1, area.height());
    }
    case Qt::ImAnchorRectangle: {
        const QRect character = characterRect(anchor_);
        return character.isValid() ? QRect(character.topLeft(), QSize(1, character.height()))
                                   : inputMethodQuery(Qt::ImCursorRectangle);
    }
    case Qt::ImFont:
        return font();
    case Qt::ImCursorPosition:
        return int(cursor_ - around);
    case Qt::ImAnchorPosition:
        return int(std::clamp(anchor_, around, aroundEnd) - around);
    case Qt::ImSurroundingText:
        return text_.mid(around, aroundEnd - around);
    case Qt::ImTextBeforeCursor:
        return text_.mid(around, cursor_ - around);
    case Qt::ImTextAfterCursor:
        return text_.mid(cursor_, aroundEnd - cursor_);
    case Qt::ImCurrentSelection:
        return selectedText();
    case Qt::ImAbsolutePosition:
        return qlonglong(cursor_);
    case Qt::ImHints:
        return int(inputMethodHints());
    case Qt::ImReadOnly:
        return false;
    default:
        return QWidget::inputMethodQuery(query);
    }
}

bool LongLineEdit::event(QEvent* event) {
    // The keys the box uses itself are not taken by shortcuts of the window; Alt with a
    // letter still presses the window's buttons.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers();
        const bool plain = modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier ||
                           modifiers == Qt::KeypadModifier;
        const bool editing = key->key() == Qt::Key_Delete || key->key() == Qt::Key_Home ||
                             key->key() == Qt::Key_End || key->key() == Qt::Key_Backspace ||
                             key->key() == Qt::Key_Left || key->key() == Qt::Key_Right;
        const bool standard =
            std::any_of(std::begin(kOwnKeys), std::end(kOwnKeys),
                        [&](auto standardKey) { return key->matches(standardKey); });
        if (standard || (plain && (key->key() < Qt::Key_Escape || editing))) {
            key->accept();
            return true;
        }
    }
    return QWidget::event(event);
}

void LongLineEdit::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    painter.setClipRect(contents);

    const QPalette::ColorGroup group = !isEnabled()       ? QPalette::Disabled
                                       : isActiveWindow() ? QPalette::Active
                                                          : QPalette::Inactive;
    painter.setPen(palette().color(group, QPalette::Text));
    const QTextLayout& shown = shownLayout();
    const QPoint origin = layoutOrigin();
    QList<QTextLayout::FormatRange> selections;
    if (hasSelectedText()) {
        const qsizetype start = std::max(selectionStart(), first_) - first_;
        const qsizetype end = std::min(selectionEnd(), first_ + shownLength_) - first_;
        if (start < end) {
            QTextLayout::FormatRange range;
            range.start = int(start);
            range.length = int(end - start);
            range.format.setBackground(palette().brush(group, QPalette::Highlight));
            range.format.setForeground(palette().brush(group, QPalette::HighlightedText));
            selections.append(range);
        }
    }
    shown.draw(&painter, origin, selections, contents);
    if (hasFocus() && cursorOn_ && isEnabled())
        shown.drawCursor(&painter, origin, int(shownCursor()),
                         style()->pixelMetric(QStyle::PM_TextCursorWidth, nullptr, this));
}

void LongLineEdit::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
        event->ignore(); // the window's to handle
        return;
    }
    if (handleStandardKey(event))
        return;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (key == Qt::Key_Backspace &&
        (modifiers == Qt::NoModifier || modifiers == Qt::ShiftModifier)) {
        if (hasSelectedText())
            edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
        else
            deleteBackward(QTextLayout::SkipCharacters);
        return;
    }
    if (typesText(event)) {
        const qsizetype start = hasSelectedText() ? selectionStart() : cursor_;
        const qsizetype end = hasSelectedText() ? selectionEnd() : cursor_;
        edit(start, end, event->text(), EditKind::Typing);
        return;
    }
    event->ignore();
}

bool LongLineEdit::handleStandardKey(QKeyEvent* event) {
    const bool selection = hasSelectedText();
    const auto chars = QTextLayout::SkipCharacters;
    const auto words = QTextLayout::SkipWords;
    if (event->matches(Key::Undo))
        undo();
    else if (event->matches(Key::Redo))
        redo();
    else if (event->matches(Key::SelectAll))
        selectAll();
    else if (event->matches(Key::Copy))
        copy();
    else if (event->matches(Key::Paste))
        paste();
    else if (event->matches(Key::Cut))
        cut();
    else if (event->matches(Key::DeleteEndOfLine))
        deleteTo(text_.size(), EditKind::Other);
    else if (event->matches(Key::MoveToStartOfLine) || event->matches(Key::MoveToStartOfBlock))
        moveCursor(0, false);
    else if (event->matches(Key::MoveToEndOfLine) || event->matches(Key::MoveToEndOfBlock))
        moveCursor(text_.size(), false);
    else if (event->matches(Key::SelectStartOfLine) || event->matches(Key::SelectStartOfBlock))
        moveCursor(0, true);
    else if (event->matches(Key::SelectEndOfLine) || event->matches(Key::SelectEndOfBlock))
        moveCursor(text_.size(), true);
    // With a selection, Left and Right go to its ends, as the desktops' text boxes do.
    else if (event->matches(Key::MoveToNextChar))
        moveCursor(selection ? selectionEnd() : nextCursorPosition(cursor_, chars), false);
    else if (event->matches(Key::MoveToPreviousChar))
        moveCursor(selection ? selectionStart() : previousCursorPosition(cursor_, chars), false);
    else if (event->matches(Key::SelectNextChar))
        moveCursor(nextCursorPosition(cursor_, chars), true);
    else if (event->matches(Key::SelectPreviousChar))
        moveCursor(previousCursorPosition(cursor_, chars), true);
    else if (event->matches(Key::MoveToNextWord))
        moveCursor(nextCursorPosition(cursor_, words), false);
    else if (event->matches(Key::MoveToPreviousWord))
        moveCursor(previousCursorPosition(cursor_, words), false);
    else if (event->matches(Key::SelectNextWord))
        moveCursor(nextCursorPosition(cursor_, words), true);
    else if (event->matches(Key::SelectPreviousWord))
        moveCursor(previousCursorPosition(cursor_, words), true);
    else if (event->matches(Key::Delete))
        deleteForward(chars);
    else if (event->matches(Key::DeleteEndOfWord))
        deleteForward(words);
    else if (event->matches(Key::DeleteStartOfWord))
        deleteBackward(words);
    else if (event->matches(Key::Deselect))
        deselect();
    else
        return false;
    return true;
}

void LongLineEdit::inputMethodEvent(QInputMethodEvent* event) {
    const bool typing = !event->commitString().isEmpty() || event->replacementLength() > 0 ||
                        event->preeditString() != preedit_;
    if (typing && hasSelectedText())
        edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
    if (!event->commitString().isEmpty() || event->replacementLength() > 0) {
        qsizetype start = cursor_;
        qsizetype end = cursor_;
        if (event->replacementLength() > 0) {
            start = std::clamp<qsizetype>(cursor_ + event->replacementStart(), 0, text_.size());
            end = std::clamp<qsizetype>(start + event->replacementLength(), start, text_.size());
        }
        edit(start, end, event->commitString(), EditKind::Other);
    }
    preedit_ = event->preeditString();
    preeditCursor_ = preedit_.size();
    preeditFormats_.clear();
    const qsizetype around = std::max<qsizetype>(0, cursor_ - kSurrounding);
    for (const QInputMethodEvent::Attribute& attribute : event->attributes()) {
        if (attribute.type == QInputMethodEvent::Cursor) {
            preeditCursor_ = std::clamp<qsizetype>(attribute.start, 0, preedit_.size());
        } else if (attribute.type == QInputMethodEvent::TextFormat) {
            const QTextCharFormat format = attribute.value.value<QTextFormat>().toCharFormat();
            if (format.isValid())
                preeditFormats_.append({attribute.start, attribute.length, format});
        } else if (attribute.type == QInputMethodEvent::Selection && preedit_.isEmpty()) {
            const qsizetype start = around + attribute.start;
            moveCursor(start, false);
            moveCursor(start + attribute.length, true);
        }
    }
    forgetLayout();
    ensureCursorVisible();
    update();
}

void LongLineEdit::mousePressEvent(QMouseEvent* event) {
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::MiddleButton) {
        QClipboard* clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection()) {
            moveCursor(positionAt(point), false);
            insert(clipboard->text(QClipboard::Selection));
            event->accept();
            return;
        }
    }
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    commitPreedit();
    if (tripleClickTimer_.isActive() &&
        (point - tripleClickPoint_).manhattanLength() < QApplication::startDragDistance()) {
        selectAll();
        copyToSelectionClipboard();
        return;
    }
    moveCursor(positionAt(point), event->modifiers() & Qt::ShiftModifier);
    selecting_ = true;
}

void LongLineEdit::mouseMoveEvent(QMouseEvent* event) {
    if (selecting_ && (event->buttons() & Qt::LeftButton))
        moveCursor(positionAt(event->position().toPoint()), true);
}

void LongLineEdit::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && selecting_) {
        selecting_ = false;
        copyToSelectionClipboard();
    }
}

void LongLineEdit::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    commitPreedit();
    selectWordAt(positionAt(event->position().toPoint()));
    copyToSelectionClipboard();
    tripleClickPoint_ = event->position().toPoint();
    tripleClickTimer_.start(QApplication::doubleClickInterval(), this);
}

void LongLineEdit::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void LongLineEdit::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasText())
        event->acceptProposedAction();
}

void LongLineEdit::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasText())
        return;
    moveCursor(positionAt(event->position().toPoint()), false);
    insert(event->mimeData()->text());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    setFocus(Qt::MouseFocusReason);
}

void LongLineEdit::focusInEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    if ((reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
         reason == Qt::ShortcutFocusReason) &&
        !hasSelectedText())
        selectAll();
    restartBlinking();
    QWidget::focusInEvent(event);
}

void LongLineEdit::focusOutEvent(QFocusEvent* event) {
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
        deselect();
    blinkTimer_.stop();
    QWidget::focusOutEvent(event);
}

void LongLineEdit::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const auto add = [&](const QString& label, QKeySequence::StandardKey key, bool enabled,
                         auto action) {
        QAction* item = menu->addAction(withShortcut(label, key), this, action);
        item->setEnabled(enabled);
    };
    const bool selection = hasSelectedText();
    add(QStringLiteral("&Undo"), QKeySequence::Undo, isUndoAvailable(), [this] { undo(); });
    add(QStringLiteral("&Redo"), QKeySequence::Redo, isRedoAvailable(), [this] { redo(); });
    menu->addSeparator();
    add(QStringLiteral("Cu&t"), QKeySequence::Cut, selection, [this] { cut(); });
    add(QStringLiteral("&Copy"), QKeySequence::Copy, selection, [this] { copy(); });
    add(QStringLiteral("&Paste"), QKeySequence::Paste,
        !QGuiApplication::clipboard()->text().isEmpty(), [this] { paste(); });
    add(QStringLiteral("Delete"), QKeySequence::Delete, selection, [this] { insert(QString()); });
    menu->addSeparator();
    add(QStringLiteral("Select All"), QKeySequence::SelectAll,
        selectedText().size() != text_.size(), [this] { selectAll(); });
    menu->popup(event->globalPos());
}

void LongLineEdit::changeEvent(QEvent* event) {
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::StyleChange:
    case QEvent::LayoutDirectionChange:
        forgetLayout();
        ensureCursorVisible();
        break;
    default:
        break;
    }
    update();
    QWidget::changeEvent(event);
}

void LongLineEdit::resizeEvent(QResizeEvent* event) {
    forgetLayout();
    ensureCursorVisible();
    QWidget::resizeEvent(event);
}

void LongLineEdit::timerEvent(QTimerEvent* event) {
    if (event->timerId() == blinkTimer_.timerId()) {
        cursorOn_ = !cursorOn_;
        update();
    } else if (event->timerId() == tripleClickTimer_.timerId()) {
        tripleClickTimer_.stop();
    } else {
        QWidget::timerEvent(event);
    }
}

void LongLineEdit::initStyleOption(QStyleOptionFrame* option) const {
    option->initFrom(this);
    option->rect = contentsRect();
    option->lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, option, this);
    option->midLineWidth = 0;
    option->state |= QStyle::State_Sunken;
    option->features = QStyleOptionFrame::None;
}

// The line the text stands on: inside the frame, vertically centred.
QRect LongLineEdit::textArea() const {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents = style()->subElementRect(QStyle::SE_LineEditContents, &panel, this);
    const int height = fontMetrics().height();
    const int top = contents.y() + (contents.height() - height + 1) / 2;
    return QRect(contents.x() + kHorizontalMargin, top, contents.width() - 2 * kHorizontalMargin,
                 height);
}

QPoint LongLineEdit::layoutOrigin() const {
    const QRect area = textArea();
    const int ascent = qRound(shownLayout().lineAt(0).ascent());
    return QPoint(area.x(), area.y() - (ascent - fontMetrics().ascent()));
}

std::unique_ptr<QTextLayout> LongLineEdit::layoutOf(qsizetype start, qsizetype length,
                                                    const QString& after) const {
    auto layout = std::make_unique<QTextLayout>(
        displayed(QStringView(text_).mid(start, length)) + after, font(), this);
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTextDirection(layoutDirection());
    option.setFlags(QTextOption::IncludeTrailingSpaces);
    layout->setTextOption(option);
    layout->setCacheEnabled(true);
    return layout;
}

QTextLine LongLineEdit::laidOut(QTextLayout& layout) {
    layout.beginLayout();
    const QTextLine line = layout.createLine();
    layout.endLayout();
    return line;
}

// The stretch from the first character shown that fills the box and a little more, so
// a stretch that ends inside a cluster of characters ends out of sight.
const QTextLayout& LongLineEdit::shownLayout() const {
    if (shown_)
        return *shown_;
    const qreal wanted = textArea().width() + 2 * fontMetrics().height();
    qsizetype length = std::max(textArea().width(), 0) / 2 + 32;
    for (;;) {
        length = std::min(length, text_.size() - first_);
        shown_ = layoutOf(first_, length);
        const qsizetype preeditAt = cursor_ - first_;
        if (!preedit_.isEmpty() && preeditAt >= 0 && preeditAt <= length) {
            shown_->setPreeditArea(int(preeditAt), preedit_);
            QList<QTextLayout::FormatRange> formats = preeditFormats_;
            for (QTextLayout::FormatRange& format : formats)
                format.start += int(preeditAt);
            shown_->setFormats(formats);
        }
        const QTextLine line = laidOut(*shown_);
        if (first_ + length >= text_.size() || length >= kLongestStretch ||
            line.naturalTextWidth() >= wanted)
            break;
        length *= 2;
    }
    shownLength_ = length;
    return *shown_;
}

void LongLineEdit::forgetLayout() {
    shown_.reset();
    shownLength_ = 0;
}

qsizetype LongLineEdit::shownCursor() const {
    return cursor_ - first_ + (preedit_.isEmpty() ? 0 : preeditCursor_);
}

// The first character from which the text up to end, followed by after, fits in width.
qsizetype LongLineEdit::startShowingUpTo(qsizetype end, qreal width, const QString& after) const {
    qsizetype length = std::min<qsizetype>(end, qsizetype(std::max<qreal>(width, 0)) / 2 + 32);
    for (;;) {
        const qsizetype start = end - length;
        const auto layout = layoutOf(start, length, after);
        const QTextLine line = laidOut(*layout);
        const qreal total = line.cursorToX(int(length + after.size()));
        if (total > width || start == 0 || length >= kLongestStretch) {
            if (total <= width)
                return start;
            int local = line.xToCursor(total - width, QTextLine::CursorBetweenCharacters);
            if (line.cursorToX(local) < total - width)
                local = layout->nextCursorPosition(local);
            return start + std::min<qsizetype>(local, length);
        }
        length = std::min(end, length * 2);
    }
}

// The position at x pixels from where the first character shown starts; left of it
// and beyond the stretch laid out, the stretches next to it are laid out to find it.
qsizetype LongLineEdit::positionAtX(qreal x) const {
    if (x < 0) {
        qsizetype length = std::min<qsizetype>(first_, qsizetype(-x) / 2 + 32);
        while (length > 0) {
            const auto layout = layoutOf(first_ - length, length);
            const QTextLine line = laidOut(*layout);
            const qreal total = line.cursorToX(int(length));
            if (total >= -x || length == first_ || length >= kLongestStretch)
                return first_ - length + line.xToCursor(std::max<qreal>(total + x, 0));
            length = std::min(first_, length * 2);
        }
        return first_;
    }
    const QTextLayout& shown = shownLayout();
    const QTextLine line = shown.lineAt(0);
    if (first_ + shownLength_ >= text_.size() || x <= line.naturalTextWidth()) {
        qsizetype local = line.xToCursor(x);
        const qsizetype preeditAt = cursor_ - first_;
        if (!preedit_.isEmpty() && local > preeditAt)
            local = std::max(preeditAt, local - preedit_.size());
        return first_ + local;
    }
    qsizetype length = shownLength_ * 2;
    for (;;) {
        length = std::min(length, text_.size() - first_);
        const auto layout = layoutOf(first_, length);
        const QTextLine longer = laidOut(*layout);
        if (first_ + length >= text_.size() || length >= kLongestStretch ||
            longer.naturalTextWidth() >= x)
            return first_ + longer.xToCursor(x);
        length *= 2;
    }
}

// Scrolls as little as keeps the cursor in sight; a text that ends short of the right
// edge shows as much of its start as fits.
void LongLineEdit::ensureCursorVisible() {
    const int width = textArea().width();
    if (width <= 0)
        return;
    if (cursor_ < first_) {
        setFirst(cursor_);
        return;
    }
    const QString beforeCursor = preedit_.left(preeditCursor_);
    if (cursor_ - first_ > kLongestStretch) {
        setFirst(startShowingUpTo(cursor_, width - 1, beforeCursor));
        return;
    }
    const QTextLayout& shown = shownLayout();
    const QTextLine line = shown.lineAt(0);
    if (cursor_ > first_ + shownLength_ || line.cursorToX(int(shownCursor())) > width - 1) {
        setFirst(startShowingUpTo(cursor_, width - 1, beforeCursor));
        return;
    }
    if (first_ > 0 && first_ + shownLength_ >= text_.size() && line.naturalTextWidth() < width - 1)
        setFirst(std::min(cursor_, startShowingUpTo(text_.size(), width - 1, preedit_)));
}

void LongLineEdit::setFirst(qsizetype first) {
    if (first == first_)
        return;
    first_ = first;
    forgetLayout();
    update();
}

qsizetype LongLineEdit::nextCursorPosition(qsizetype position, QTextLayout::CursorMode mode) const {
    if (position >= text_.size())
        return text_.size();
    const qsizetype start = std::max<qsizetype>(0, position - kNeighbourhood);
    const qsizetype length = std::min(text_.size(), position + kNeighbourhood) - start;
    const auto neighbourhood = layoutOf(start, length);
    return start + neighbourhood->nextCursorPosition(int(position - start), mode);
}

qsizetype LongLineEdit::previousCursorPosition(qsizetype position,
                                               QTextLayout::CursorMode mode) const {
    if (position <= 0)
        return 0;
    const qsizetype start = std::max<qsizetype>(0, position - kNeighbourhood);
    const qsizetype length = std::min(text_.size(), position + kNeighbourhood) - start;
    const auto neighbourhood = layoutOf(start, length);
    return start + neighbourhood->previousCursorPosition(int(position - start), mode);
}

void LongLineEdit::moveCursor(qsizetype position, bool mark) {
    position = std::clamp<qsizetype>(position, 0, text_.size());
    const qsizetype oldStart = selectionStart();
    const qsizetype oldEnd = selectionEnd();
    cursor_ = position;
    if (!mark)
        anchor_ = position;
    mergeable_ = false;
    ensureCursorVisible();
    restartBlinking();
    notifyCursor();
    if (QAccessible::isActive() && (oldStart != selectionStart() || oldEnd != selectionEnd())) {
        QAccessibleTextSelectionEvent selection(this, int(std::min(anchor_, cursor_)),
                                                int(std::max(anchor_, cursor_)));
        QAccessible::updateAccessibility(&selection);
    }
}

// As a double-click selects a word in Qt's line edit: the word and the spaces before
// the next one stay out.
void LongLineEdit::selectWordAt(qsizetype position) {
    const qsizetype next = nextCursorPosition(position, QTextLayout::SkipWords);
    const qsizetype start = previousCursorPosition(next, QTextLayout::SkipWords);
    qsizetype end = nextCursorPosition(start, QTextLayout::SkipWords);
    while (end > position && end > start && text_.at(end - 1).isSpace())
        --end;
    moveCursor(start, false);
    moveCursor(end, true);
}

// Every change of the text goes through here, into the undo history.
void LongLineEdit::edit(qsizetype start, qsizetype end, const QString& inserted, EditKind kind) {
    if (start == end && inserted.isEmpty())
        return;
    const QString removed = text_.mid(start, end - start);
    Edit* last = undo_.empty() ? nullptr : &undo_.back();
    const bool merges =
        mergeable_ && last && last->kind == kind &&
        ((kind == EditKind::Typing && removed.isEmpty() &&
          last->position + last->inserted.size() == start) ||
         (kind == EditKind::Backspace && last->inserted.isEmpty() && end == last->position) ||
         (kind == EditKind::Delete && last->inserted.isEmpty() && start == last->position));
    if (merges && kind == EditKind::Typing) {
        last->inserted += inserted;
    } else if (merges && kind == EditKind::Backspace) {
        last->removed.prepend(removed);
        last->position = start;
    } else if (merges) {
        last->removed += removed;
    } else {
        undo_.push_back({start, removed, inserted, cursor_, anchor_, kind});
    }
    redo_.clear();
    const qsizetype after = start + inserted.size();
    apply(start, end - start, inserted, after, after);
    mergeable_ = kind != EditKind::Other;
}

void LongLineEdit::apply(qsizetype position, qsizetype removedLength, const QString& inserted,
                         qsizetype cursor, qsizetype anchor) {
    const bool told = QAccessible::isActive();
    const QString removed = told ? text_.mid(position, removedLength) : QString();
    text_.replace(position, removedLength, inserted);
    first_ = std::min(first_, position);
    forgetLayout();
    cursor_ = std::clamp<qsizetype>(cursor, 0, text_.size());
    anchor_ = std::clamp<qsizetype>(anchor, 0, text_.size());
    mergeable_ = false;
    ensureCursorVisible();
    restartBlinking();
    if (told) {
        if (removed.isEmpty()) {
            QAccessibleTextInsertEvent change(this, int(position), inserted);
            QAccessible::updateAccessibility(&change);
        } else if (inserted.isEmpty()) {
            QAccessibleTextRemoveEvent change(this, int(position), removed);
            QAccessible::updateAccessibility(&change);
        } else {
            QAccessibleTextUpdateEvent change(this, int(position), removed, inserted);
            QAccessible::updateAccessibility(&change);
        }
        notifyCursor();
    }
    emit textChanged(text_);
}

// Backspace takes one character, not a whole cluster, so an accent typed last goes alone.
void LongLineEdit::deleteBackward(QTextLayout::CursorMode mode) {
    if (hasSelectedText()) {
        edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
        return;
    }
    qsizetype position = cursor_ - 1;
    if (mode == QTextLayout::SkipWords)
        position = previousCursorPosition(cursor_, mode);
    else if (position > 0 && text_.at(position).isLowSurrogate() &&
             text_.at(position - 1).isHighSurrogate())
        --position;
    if (position >= 0)
        deleteTo(position, mode == QTextLayout::SkipWords ? EditKind::Other : EditKind::Backspace);
}

void LongLineEdit::deleteForward(QTextLayout::CursorMode mode) {
    if (hasSelectedText()) {
        edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
        return;
    }
    deleteTo(nextCursorPosition(cursor_, mode),
             mode == QTextLayout::SkipWords ? EditKind::Other : EditKind::Delete);
}

void LongLineEdit::deleteTo(qsizetype position, EditKind kind) {
    if (hasSelectedText())
        edit(selectionStart(), selectionEnd(), QString(), EditKind::Other);
    else
        edit(std::min(cursor_, position), std::max(cursor_, position), QString(), kind);
}

// A click during a composition ends it: the input method commits what it has, and what
// it keeps is dropped.
void LongLineEdit::commitPreedit() {
    if (preedit_.isEmpty())
        return;
    QGuiApplication::inputMethod()->commit();
    if (preedit_.isEmpty())
        return;
    preedit_.clear();
    preeditFormats_.clear();
    forgetLayout();
    update();
}

void LongLineEdit::copyToSelectionClipboard() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (hasSelectedText() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void LongLineEdit::restartBlinking() {
    cursorOn_ = true;
    const int period = QGuiApplication::styleHints()->cursorFlashTime();
    if (hasFocus() && period >= 2)
        blinkTimer_.start(period / 2, this);
    else
        blinkTimer_.stop();
    update();
}

void LongLineEdit::notifyCursor() const {
    if (!QAccessible::isActive())
        return;
    QAccessibleTextCursorEvent moved(const_cast<LongLineEdit*>(this), int(cursor_));
    QAccessible::updateAccessibility(&moved);
}
