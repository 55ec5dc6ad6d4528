#include "GraphicalButton.h"

#include <QKeyEvent>
#include <QStyleOptionButton>
#include <QStylePainter>

GraphicalButton::GraphicalButton(const QString& caption, const QColor& backColor, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Button, backColor);
    setPalette(colours);
}

void GraphicalButton::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void GraphicalButton::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    option.icon = QIcon();
    painter.drawControl(QStyle::CE_PushButtonBevel, option);

    const QSize pictureSize = picture_.deviceIndependentSize().toSize();
    const int textHeight = fontMetrics().height();
    const int top = (height() - pictureSize.height() - textHeight) / 2;
    const int shift = isDown() ? 1 : 0;
    painter.drawPixmap((width() - pictureSize.width()) / 2 + shift, top + shift, picture_);
    const QRect textRect(shift, top + pictureSize.height() + shift, width(), textHeight);
    painter.drawItemText(textRect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextShowMnemonic,
                         palette(), isEnabled(), text(), QPalette::ButtonText);
    if (hasFocus()) {
        QStyleOptionFocusRect focus;
        focus.initFrom(this);
        focus.rect = rect().adjusted(4, 4, -4, -4);
        painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
}

void GraphicalButton::keyPressEvent(QKeyEvent* event) {
    // Qt's button leaves Enter to the window when it is not a default button; a held key
    // presses nothing more.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QPushButton::keyPressEvent(event);
}
