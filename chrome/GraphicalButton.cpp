#include "GraphicalButton.h"

#include <QIcon>
#include <QKeyEvent>
#include <QPainter>

namespace {

// The edge's colours are those of the classic Windows scheme, whatever the desktop's.
const QColor kHighlight(0xFF, 0xFF, 0xFF);
const QColor kShadow(0x80, 0x80, 0x80);
const QColor kDarkShadow(0x40, 0x40, 0x40);

constexpr int kEdgeWidth = 2;
constexpr int kFocusInset = 3; // the dotted rectangle's distance from the outer edge

// One ring of the edge, one pixel wide: the top and left sides in one colour, the bottom
// and right sides (with the corners they meet) in the other.
void drawRing(QPainter& painter, const QRect& ring, const QColor& topLeft,
              const QColor& bottomRight) {
    painter.fillRect(ring.left(), ring.top(), ring.width() - 1, 1, topLeft);
    painter.fillRect(ring.left(), ring.top(), 1, ring.height() - 1, topLeft);
    painter.fillRect(ring.left(), ring.bottom(), ring.width(), 1, bottomRight);
    painter.fillRect(ring.right(), ring.top(), 1, ring.height(), bottomRight);
}

} // namespace

GraphicalButton::GraphicalButton(const QString& caption, const QColor& backColor, QWidget* parent)
    : QPushButton(caption, parent) {
    setAutoDefault(false);
    setDefault(false);
    QPalette colours = palette();
    colours.setColor(QPalette::Button, backColor);
    setPalette(colours);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void GraphicalButton::setPicture(const QPixmap& picture) {
    picture_ = picture;
    update();
}

void GraphicalButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor face = palette().color(QPalette::Button);
    painter.fillRect(rect(), face);
    drawEdge(painter);
    // Held down, the caption and the picture move one pixel right and down.
    const int shift = isDown() ? 1 : 0;
    drawContent(
        painter,
        rect().adjusted(kEdgeWidth, kEdgeWidth, -kEdgeWidth, -kEdgeWidth).translated(shift, shift));
    if (hasFocus())
        drawFocusRectangle(painter);
}

void GraphicalButton::drawEdge(QPainter& painter) const {
    const QColor face = palette().color(QPalette::Button);
    const QRect outer = rect();
    const QRect inner = outer.adjusted(1, 1, -1, -1);
    // The classic scheme's inner light equals its button face; on a coloured face it is
    // drawn in that colour, so the face runs up to the white line.
    if (isDown()) {
        drawRing(painter, outer, kShadow, kHighlight);
        drawRing(painter, inner, kDarkShadow, face);
    } else {
        drawRing(painter, outer, kHighlight, kDarkShadow);
        drawRing(painter, inner, face, kShadow);
    }
}

void GraphicalButton::drawContent(QPainter& painter, const QRect& area) const {
    const int flags = Qt::AlignHCenter | Qt::TextShowMnemonic;
    QRect textArea = area;
    int textFlags = flags | Qt::AlignVCenter;
    if (!picture_.isNull()) {
        const QSize pictureSize = picture_.deviceIndependentSize().toSize();
        const int textHeight = fontMetrics().height();
        const int top = area.top() + (area.height() - pictureSize.height() - textHeight) / 2;
        const QPoint corner(area.left() + (area.width() - pictureSize.width()) / 2, top);
        if (isEnabled())
            painter.drawPixmap(corner, picture_);
        else
            painter.drawPixmap(corner, QIcon(picture_).pixmap(pictureSize, QIcon::Disabled));
        textArea = QRect(area.left(), top + pictureSize.height(), area.width(), textHeight);
        textFlags = flags | Qt::AlignTop;
    }
    if (isEnabled()) {
        painter.setPen(palette().color(QPalette::ButtonText));
        painter.drawText(textArea, textFlags, text());
        return;
    }
    // Disabled: grey letters with a white one below and to the right, as if pressed in.
    painter.setPen(kHighlight);
    painter.drawText(textArea.translated(1, 1), textFlags, text());
    painter.setPen(kShadow);
    painter.drawText(textArea, textFlags, text());
}

// Every other pixel, as Windows draws a focus rectangle.
void GraphicalButton::drawFocusRectangle(QPainter& painter) const {
    const QRect frame = rect().adjusted(kFocusInset, kFocusInset, -kFocusInset, -kFocusInset);
    const QColor dots = palette().color(QPalette::ButtonText);
    auto dot = [&](int x, int y) {
        if ((x + y) % 2 == 0)
            painter.fillRect(x, y, 1, 1, dots);
    };
    for (int x = frame.left(); x <= frame.right(); ++x) {
        dot(x, frame.top());
        dot(x, frame.bottom());
    }
    for (int y = frame.top() + 1; y < frame.bottom(); ++y) {
        dot(frame.left(), y);
        dot(frame.right(), y);
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
