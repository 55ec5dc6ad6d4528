#include "WindowBackgrounds.h"

#include "Colours.h"
#include "Drawing.h"
#include "Motifs.h"
#include "PictureOutput.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace {

const QString productTitle = QStringLiteral("Korvanta Task List");

constexpr int mainWidth = 529;
constexpr int mainHeight = 517;
constexpr int mainStripBottom = 28;
constexpr int mainBandTop = 30;
constexpr int mainBandBottom = 90;

// The band rises on the right into a swell that carries the caption buttons. Moving the outline
// inwards by `inset` gives the inner boundary of its edge line.
QPainterPath mainBandOutline(double inset) {
    QPainterPath band;
    band.addRect(QRectF(1, mainBandTop + inset, mainWidth - 2,
                        mainBandBottom - mainBandTop + 1 - 2 * inset));
    const double top = 4 + inset;
    constexpr double right = mainWidth - 1;
    QPainterPath swell;
    swell.moveTo(396, mainBandTop + 10);
    swell.lineTo(396, mainBandTop + inset);
    swell.cubicTo(428, mainBandTop + inset, 436 + inset * 0.6, top, 462 + inset * 0.4, top);
    swell.lineTo(right - 6, top);
    swell.quadTo(right, top, right, top + 6);
    swell.lineTo(right, mainBandTop + 10);
    swell.closeSubpath();
    return band.united(swell);
}

void paintBadge(QPainter& painter, QPointF centre, double radius) {
    QRadialGradient glow(centre - QPointF(radius * 0.35, radius * 0.45), radius * 1.4);
    glow.setColorAt(0, Qt::white);
    glow.setColorAt(1, QColor(0xDC, 0xFF, 0xB8));
    painter.setPen(QPen(QColor(0x60, 0xCF, 0x00), 2.0));
    painter.setBrush(glow);
    painter.drawEllipse(centre, radius - 1, radius - 1);
    painter.setPen(QPen(QColor(0xFF, 0xFF, 0xFF, 200), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(centre, radius - 3, radius - 3);
    drawMonitor(painter, QRectF(centre.x() - 17, centre.y() - 18, 34, 34));
}

void paintMainBackground(QPainter& painter) {
    painter.fillRect(QRect(0, 0, mainWidth, mainHeight), colours::frameBlue);

    QLinearGradient strip(0, 1.5, 0, mainStripBottom + 0.5);
    strip.setColorAt(0, QColor(0xC0, 0xC0, 0xFF));
    strip.setColorAt(1, QColor(0xEF, 0xEF, 0xFF));
    painter.fillRect(QRect(1, 1, mainWidth - 2, mainStripBottom), strip);

    QFont small(QStringLiteral("DejaVu Serif"));
    small.setPixelSize(12);
    small.setItalic(true);
    painter.setFont(small);
    painter.setPen(QColor(0x00, 0x20, 0xC0));
    painter.drawText(QPointF(9, 19), productTitle);

    painter.setPen(Qt::NoPen);
    painter.setBrush(colours::bandEdge);
    painter.drawPath(mainBandOutline(0));
    painter.setBrush(colours::bandFill);
    painter.drawPath(mainBandOutline(2));

    drawBody(painter, QRect(1, mainBandBottom + 2, mainWidth - 2, mainHeight - mainBandBottom - 3));

    const double bandCentre = (mainBandTop + mainBandBottom + 1) / 2.0;
    paintBadge(painter, QPointF(34, bandCentre), 26);
    drawTitle(painter, productTitle, serifTitleFont(25), 70, bandCentre, colours::titleGreen);
}

constexpr int dialogWidth = 385;
constexpr int dialogHeight = 226;
constexpr int dialogBandBottom = 64;

void paintDialogFrame(QPainter& painter) {
    painter.fillRect(QRect(0, 0, dialogWidth, dialogHeight), colours::frameBlue);
    drawBand(painter, QRect(1, 1, dialogWidth - 2, dialogBandBottom));
    drawBody(painter,
             QRect(1, dialogBandBottom + 2, dialogWidth - 2, dialogHeight - dialogBandBottom - 3));
}

constexpr double dialogBandCentre = (1 + dialogBandBottom + 1) / 2.0;

void paintRunBackground(QPainter& painter) {
    paintDialogFrame(painter);
    drawRunMotif(painter, QRectF(10, dialogBandCentre - 16, 48, 32));
    drawTitle(painter, QStringLiteral("Run a task"), serifTitleFont(26), 70, dialogBandCentre,
              colours::titleGreen);
}

void paintOptionsBackground(QPainter& painter) {
    paintDialogFrame(painter);
    drawTitle(painter, QStringLiteral("Options"), serifTitleFont(26), 16, dialogBandCentre,
              colours::titleGreen);
}

} // namespace

void writeWindowBackgrounds(PictureOutput& output) {
    output.writePng(QStringLiteral("main_background"), QSize(mainWidth, mainHeight),
                    paintMainBackground);
    output.writePng(QStringLiteral("run_background"), QSize(dialogWidth, dialogHeight),
                    paintRunBackground);
    output.writePng(QStringLiteral("options_background"), QSize(dialogWidth, dialogHeight),
                    paintOptionsBackground);
}
