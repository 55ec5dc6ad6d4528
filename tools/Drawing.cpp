#include "Drawing.h"

#include "Colours.h"

#include <QFontMetricsF>
#include <QPainter>

void drawFrame(QPainter& painter, const QRect& rect, const QColor& colour) {
    painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.bottom(), rect.width(), 1), colour);
    painter.fillRect(QRect(rect.left(), rect.top(), 1, rect.height()), colour);
    painter.fillRect(QRect(rect.right(), rect.top(), 1, rect.height()), colour);
}

void drawHorizontalLine(QPainter& painter, int x1, int x2, int y, const QColor& colour) {
    painter.fillRect(QRect(x1, y, x2 - x1 + 1, 1), colour);
}

void drawBody(QPainter& painter, const QRect& body) {
    painter.fillRect(body, colours::bodyBlue);
    drawFrame(painter, body.adjusted(3, 3, -3, -3), colours::bodyInnerLine);
}

void drawBand(QPainter& painter, const QRect& band) {
    painter.fillRect(band, colours::bandEdge);
    painter.fillRect(band.adjusted(0, 2, 0, -2), colours::bandFill);
}

QFont serifTitleFont(int pixelSize) {
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPixelSize(pixelSize);
    font.setBold(true);
    font.setItalic(true);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

double drawTitle(QPainter& painter, const QString& text, const QFont& font, double x,
                 double centreY, const QColor& colour) {
    const QFontMetricsF metrics(font);
    const double baseline = centreY + metrics.capHeight() / 2.0;
    painter.save();
    painter.setFont(font);
    // A faint light offset copy lifts the letters off the band.
    painter.setPen(QColor(0xF4, 0xFF, 0xE4));
    painter.drawText(QPointF(x + 1, baseline + 1), text);
    painter.setPen(colour);
    painter.drawText(QPointF(x, baseline), text);
    painter.restore();
    return x + metrics.horizontalAdvance(text);
}
