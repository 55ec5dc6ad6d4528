#include "LongLineEditAccessible.h"

#include "LongLineEdit.h"

LongLineEditAccessible::LongLineEditAccessible(LongLineEdit* box)
    : QAccessibleWidget(box, QAccessible::EditableText) {}

QAccessibleInterface* LongLineEditAccessible::create(const QString& className, QObject* object) {
    if (className == QLatin1String("LongLineEdit") && object && object->isWidgetType())
        return new LongLineEditAccessible(static_cast<LongLineEdit*>(object));
    return nullptr;
}

LongLineEdit* LongLineEditAccessible::box() const {
    return static_cast<LongLineEdit*>(widget());
}

QString LongLineEditAccessible::text(QAccessible::Text t) const {
    if (t == QAccessible::Value)
        return box()->text();
    return QAccessibleWidget::text(t);
}

void LongLineEditAccessible::setText(QAccessible::Text t, const QString& text) {
    if (t == QAccessible::Value)
        box()->setText(text);
    else
        QAccessibleWidget::setText(t, text);
}

QAccessible::State LongLineEditAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.editable = true;
    state.selectableText = true;
    return state;
}

void* LongLineEditAccessible::interface_cast(QAccessible::InterfaceType t) {
    if (t == QAccessible::TextInterface)
        return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
}

void LongLineEditAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && box()->hasSelectedText()) {
        *startOffset = int(box()->selectionStart());
        *endOffset = int(box()->selectionEnd());
    }
}

int LongLineEditAccessible::selectionCount() const {
    return box()->hasSelectedText() ? 1 : 0;
}

void LongLineEditAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void LongLineEditAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0)
        box()->deselect();
}

void LongLineEditAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0)
        box()->setSelection(startOffset, endOffset - startOffset);
}

int LongLineEditAccessible::cursorPosition() const {
    return int(box()->cursorPosition());
}

void LongLineEditAccessible::setCursorPosition(int position) {
    box()->setCursorPosition(position);
}

QString LongLineEditAccessible::text(int startOffset, int endOffset) const {
    if (startOffset > endOffset)
        return QString();
    return box()->text().mid(startOffset, endOffset - startOffset);
}

int LongLineEditAccessible::characterCount() const {
    return int(box()->text().size());
}

QRect LongLineEditAccessible::characterRect(int offset) const {
    const QRect character = box()->characterRect(offset);
    if (!character.isValid())
        return QRect();
    return QRect(box()->mapToGlobal(character.topLeft()), character.size());
}

int LongLineEditAccessible::offsetAtPoint(const QPoint& point) const {
    return int(box()->positionAt(box()->mapFromGlobal(point)));
}

void LongLineEditAccessible::scrollToSubstring(int startIndex, int) {
    box()->scrollTo(startIndex);
}

QString LongLineEditAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset; // one look throughout: nothing to tell
    return QString();
}

void LongLineEditAccessible::deleteText(int startOffset, int endOffset) {
    box()->replace(startOffset, endOffset, QString());
}

void LongLineEditAccessible::insertText(int offset, const QString& text) {
    box()->replace(offset, offset, text);
}

void LongLineEditAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    box()->replace(startOffset, endOffset, text);
}
