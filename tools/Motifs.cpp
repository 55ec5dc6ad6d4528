#include "Motifs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>

namespace {

// Maps a design grid of the given size into the box, centred and keeping its proportions.
void fitDesign(QPainter& painter, const QRectF& box, double designWidth, double designHeight) {
    const double scale = std::min(box.width() / designWidth, box.height() / designHeight);
    painter.translate(box.center().x() - designWidth * scale / 2.0,
                      box.center().y() - designHeight * scale / 2.0);
    painter.scale(scale, scale);
}

QPen roundPen(const QColor& colour, double width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

} // namespace

void drawMonitor(QPainter& painter, const QRectF& box) {
    painter.save();
    fitDesign(painter, box, 32, 32);
    const QColor outline(0x5E, 0x57, 0x48);

    painter.setPen(QPen(outline, 1.0));
    painter.setBrush(QColor(0xC4, 0xBA, 0x9E));
    painter.drawRoundedRect(QRectF(7.5, 26.5, 17, 4), 1.5, 1.5);
    painter.setBrush(QColor(0xB0, 0xA6, 0x8A));
    painter.drawRect(QRectF(13, 23, 6, 3.5));

    QLinearGradient caseShade(0, 3, 0, 24);
    caseShade.setColorAt(0, QColor(0xF2, 0xEC, 0xDC));
    caseShade.setColorAt(1, QColor(0xCF, 0xC5, 0xAA));
    painter.setBrush(caseShade);
    painter.drawRoundedRect(QRectF(1.5, 2.5, 29, 21.5), 2.5, 2.5);

    QLinearGradient screenShade(0, 5, 0, 20);
    screenShade.setColorAt(0, QColor(0x3C, 0x7C, 0xE8));
    screenShade.setColorAt(1, QColor(0x16, 0x36, 0x96));
    painter.setPen(QPen(QColor(0x1A, 0x28, 0x50), 1.0));
    painter.setBrush(screenShade);
    painter.drawRect(QRectF(4.5, 5.5, 23, 15));

    const QPolygonF pulse{{5.5, 14},  {10.5, 14}, {12.2, 11},   {14.4, 18.2}, {16.8, 8},
                          {18.8, 16}, {20.2, 13}, {21.4, 14.0}, {26.5, 14}};
    painter.setPen(roundPen(QColor(0x8C, 0xFF, 0x6A), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawPolyline(pulse);

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x30, 0xC0, 0x30));
    painter.drawEllipse(QPointF(26.5, 22.2), 0.9, 0.9);
    painter.restore();
}

void drawRunMotif(QPainter& painter, const QRectF& box) {
    painter.save();
    fitDesign(painter, box, 48, 32);

    painter.setPen(roundPen(QColor(0x1E, 0xA0, 0x1E), 2.8));
    painter.drawLine(QPointF(5, 10), QPointF(14, 10));
    painter.drawLine(QPointF(2, 16.5), QPointF(12, 16.5));
    painter.drawLine(QPointF(5, 23), QPointF(11, 23));

    // The window leans forward, as if rushing to the right.
    const QRectF window(0, 0, 28, 22);
    const QPolygonF flat{window.topLeft(), window.topRight(), window.bottomRight(),
                         window.bottomLeft()};
    const QPolygonF slanted{{21, 3.5}, {46, 2}, {42, 28.5}, {15.5, 27.5}};
    QTransform slant;
    QTransform::quadToQuad(flat, slanted, slant);
    painter.setTransform(slant, true);

    const QColor outline(0x1C, 0x2A, 0x66);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::white);
    painter.drawRect(window);
    QLinearGradient titleShade(0, 0, 28, 0);
    titleShade.setColorAt(0, QColor(0x20, 0x48, 0xC0));
    titleShade.setColorAt(1, QColor(0x68, 0x98, 0xF0));
    painter.setBrush(titleShade);
    painter.drawRect(QRectF(0, 0, 28, 6));
    painter.setBrush(QColor(0xF0, 0x50, 0x30));
    painter.drawRect(QRectF(23.5, 1.5, 3, 3));

    painter.setPen(roundPen(QColor(0xA0, 0xA8, 0xBC), 1.4));
    painter.drawLine(QPointF(3.5, 10.5), QPointF(20, 10.5));
    painter.drawLine(QPointF(3.5, 14), QPointF(24, 14));
    painter.drawLine(QPointF(3.5, 17.5), QPointF(15, 17.5));

    painter.setPen(QPen(outline, 1.2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(window);
    painter.drawLine(QPointF(0, 6), QPointF(28, 6));
    painter.restore();
}

void drawBust(QPainter& painter, const QRectF& box, bool detailed) {
    painter.save();
    fitDesign(painter, box, 100, 118);
    const QColor skin(0xF2, 0xC9, 0xA0);
    const QColor skinShade(0xD9, 0xA6, 0x7E);
    const QColor hair(0x5B, 0x3A, 0x22);
    painter.setPen(Qt::NoPen);

    painter.setBrush(skinShade);
    painter.drawRect(QRectF(41, 62, 18, 24));

    QPainterPath suit;
    suit.moveTo(1, 118);
    suit.cubicTo(1, 97, 14, 86, 36, 82);
    suit.lineTo(64, 82);
    suit.cubicTo(86, 86, 99, 97, 99, 118);
    suit.closeSubpath();
    QLinearGradient suitShade(0, 82, 0, 118);
    suitShade.setColorAt(0, QColor(0x3A, 0x45, 0x5C));
    suitShade.setColorAt(1, QColor(0x1E, 0x25, 0x34));
    painter.setBrush(suitShade);
    painter.drawPath(suit);

    painter.setBrush(Qt::white);
    painter.drawPolygon(QPolygonF{{38, 82}, {62, 82}, {50, 116}});

    const QColor collarEdge(0xB8, 0xC0, 0xCC);
    painter.setPen(QPen(collarEdge, 0.8));
    painter.drawPolygon(QPolygonF{{39, 80}, {50, 90}, {43, 96}});
    painter.drawPolygon(QPolygonF{{61, 80}, {50, 90}, {57, 96}});

    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0xD0, 0x24, 0x24));
    painter.drawPolygon(QPolygonF{{47.5, 95}, {52.5, 95}, {55, 110}, {50, 117}, {45, 110}});
    painter.setBrush(QColor(0xA8, 0x14, 0x14));
    painter.drawPolygon(QPolygonF{{46, 89.5}, {54, 89.5}, {52.5, 95.5}, {47.5, 95.5}});

    painter.setBrush(QColor(0x26, 0x2E, 0x40));
    painter.drawPolygon(QPolygonF{{34, 83}, {40, 82}, {46, 98}, {50, 118}, {38, 100}, {41, 94}});
    painter.drawPolygon(QPolygonF{{66, 83}, {60, 82}, {54, 98}, {50, 118}, {62, 100}, {59, 94}});

    // The head sits low enough on the collar to keep the neck short.
    painter.translate(0, 4);
    painter.setBrush(skin);
    painter.drawEllipse(QPointF(31.5, 48), 3.8, 6.5);
    painter.drawEllipse(QPointF(68.5, 48), 3.8, 6.5);
    QRadialGradient faceShade(QPointF(46, 42), 26);
    faceShade.setColorAt(0, QColor(0xF8, 0xD6, 0xB2));
    faceShade.setColorAt(1, skin);
    painter.setBrush(faceShade);
    painter.drawEllipse(QPointF(50, 46), 19, 23);

    QPainterPath hairline;
    hairline.moveTo(31, 47);
    hairline.cubicTo(27, 27, 38, 18, 50, 18.5);
    hairline.cubicTo(63, 18, 73, 27, 69, 47);
    hairline.cubicTo(68, 39, 66, 34, 62, 31);
    hairline.cubicTo(55, 34, 43, 33, 38, 30);
    hairline.cubicTo(34, 34, 32, 40, 31, 47);
    painter.setBrush(hair);
    painter.drawPath(hairline);

    const QColor eye(0x2E, 0x22, 0x1A);
    painter.setBrush(eye);
    if (detailed) {
        painter.drawEllipse(QPointF(42.5, 46.5), 1.9, 2.3);
        painter.drawEllipse(QPointF(57.5, 46.5), 1.9, 2.3);
        painter.setBrush(Qt::white);
        painter.drawEllipse(QPointF(43.1, 45.7), 0.6, 0.6);
        painter.drawEllipse(QPointF(58.1, 45.7), 0.6, 0.6);

        painter.setBrush(QColor(0xF0, 0xA8, 0x98, 110));
        painter.drawEllipse(QPointF(39, 56), 4, 2.6);
        painter.drawEllipse(QPointF(61, 56), 4, 2.6);

        painter.setBrush(Qt::NoBrush);
        painter.setPen(roundPen(hair, 1.3));
        painter.drawLine(QPointF(38.5, 41.5), QPointF(46, 40.8));
        painter.drawLine(QPointF(54, 40.8), QPointF(61.5, 41.5));

        QPainterPath nose;
        nose.moveTo(50.5, 48);
        nose.quadTo(48, 54, 49, 55.5);
        nose.quadTo(50.5, 56.5, 52.5, 55.5);
        painter.setPen(roundPen(skinShade, 1.0));
        painter.drawPath(nose);

        QPainterPath smile;
        smile.moveTo(43, 59.5);
        smile.quadTo(50, 65.5, 57, 59.5);
        painter.setPen(roundPen(QColor(0xA6, 0x4C, 0x3C), 1.3));
        painter.drawPath(smile);
    } else {
        painter.drawEllipse(QPointF(42.5, 47), 2.4, 2.8);
        painter.drawEllipse(QPointF(57.5, 47), 2.4, 2.8);
        QPainterPath smile;
        smile.moveTo(42, 58.5);
        smile.quadTo(50, 66, 58, 58.5);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(roundPen(QColor(0x8E, 0x3A, 0x2C), 2.2));
        painter.drawPath(smile);
    }
    painter.restore();
}
