#include "AboutPictures.h"

#include "Drawing.h"
#include "Motifs.h"
#include "PictureOutput.h"
#include "about/AboutText.h"
#include "about/AuthorDetails.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QStringList>

namespace {

constexpr int aboutWidth = 274;
constexpr int aboutHeight = 155;
constexpr int aboutMargin = 10;

QFont sansFont(int pixelSize, bool bold) {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return font;
}

// Picks the largest size up to `largest` at which every line fits the width.
int fittingSize(const QStringList& lines, int largest, double width,
                QFont (*makeFont)(int pixelSize)) {
    for (int size = largest; size > 6; --size) {
        const QFontMetricsF metrics(makeFont(size));
        bool fits = true;
        for (const QString& line : lines)
            fits = fits && metrics.horizontalAdvance(line) <= width;
        if (fits)
            return size;
    }
    return 6;
}

QFont plainSans(int pixelSize) {
    return sansFont(pixelSize, false);
}
QFont boldSans(int pixelSize) {
    return sansFont(pixelSize, true);
}

void paintAboutPicture(QPainter& painter) {
    QLinearGradient shade(0, 0, aboutWidth, 0);
    shade.setColorAt(0, QColor(0xFF, 0x80, 0x00));
    shade.setColorAt(0.5, QColor(0xFF, 0xC8, 0x60));
    shade.setColorAt(1, QColor(0xB0, 0xFF, 0x80));
    painter.fillRect(QRect(0, 0, aboutWidth, aboutHeight), shade);

    const double textWidth = aboutWidth - 2 * aboutMargin;
    const QString title = QString::fromUtf8(AboutText::Title);
    const int titleSize = fittingSize({title}, 26, textWidth, serifTitleFont);
    const QFont titleFont = serifTitleFont(titleSize);
    const QColor redOrange(0xFF, 0x40, 0x00);
    const double titleBaseline = 30;
    painter.setFont(titleFont);
    // A dark copy behind keeps red-orange letters readable on the orange end.
    painter.setPen(QColor(0x70, 0x18, 0x00));
    painter.drawText(QPointF(aboutMargin + 1, titleBaseline + 1), title);
    painter.setPen(redOrange);
    painter.drawText(QPointF(aboutMargin, titleBaseline), title);
    const double titleEnd = aboutMargin + QFontMetricsF(titleFont).horizontalAdvance(title);
    painter.fillRect(QRectF(aboutMargin, titleBaseline + 6, titleEnd - aboutMargin, 1), redOrange);

    QStringList message;
    for (const char* line : AboutText::Message)
        message.append(QString::fromUtf8(line));
    painter.setFont(plainSans(fittingSize(message, 11, textWidth, plainSans)));
    painter.setPen(Qt::black);
    double baseline = 56;
    for (const QString& line : message) {
        painter.drawText(QPointF(aboutMargin, baseline), line);
        baseline += 14;
    }

    const QStringList credit{
        QString::fromUtf8(AboutText::ProgrammedBy) + QString::fromUtf8(AuthorDetails::Name),
        QString::fromUtf8(AboutText::Mobile) + QString::fromUtf8(AuthorDetails::Telephone)};
    painter.setFont(boldSans(fittingSize(credit, 11, textWidth, boldSans)));
    painter.setPen(QColor(0x00, 0x00, 0x80));
    baseline = aboutHeight - 26;
    for (const QString& line : credit) {
        painter.drawText(QPointF(aboutMargin, baseline), line);
        baseline += 15;
    }
}

void paintProgrammerBanner(QPainter& painter) {
    constexpr double width = 468;
    constexpr double height = 60;
    painter.fillRect(QRect(0, 0, 468, 60), QColor(0xFF, 0xFF, 0xC0));
    painter.setPen(Qt::NoPen);

    QPainterPath lowerSweep;
    lowerSweep.moveTo(0, 42);
    lowerSweep.cubicTo(120, 18, 260, 70, width, 30);
    lowerSweep.lineTo(width, height);
    lowerSweep.lineTo(0, height);
    lowerSweep.closeSubpath();
    painter.setBrush(QColor(0xFA, 0xF2, 0xA0));
    painter.drawPath(lowerSweep);

    QPainterPath upperSweep;
    upperSweep.moveTo(0, 0);
    upperSweep.lineTo(0, 14);
    upperSweep.cubicTo(150, 34, 300, -6, width, 20);
    upperSweep.lineTo(width, 0);
    upperSweep.closeSubpath();
    painter.setBrush(QColor(0xFF, 0xFF, 0xE4));
    painter.drawPath(upperSweep);

    painter.setBrush(Qt::NoBrush);
    const QPen pale(QColor(0xFF, 0xFF, 0xF2), 2.0, Qt::SolidLine, Qt::RoundCap);
    const QPen golden(QColor(0xEE, 0xDC, 0x78), 1.2, Qt::SolidLine, Qt::RoundCap);
    for (int i = 0; i < 3; ++i) {
        const double offset = i * 7.0;
        QPainterPath curve;
        curve.moveTo(-5, 30 + offset);
        curve.cubicTo(110, 6 + offset, 300, 62 + offset, width + 5, 18 + offset);
        painter.setPen(i == 1 ? golden : pale);
        painter.drawPath(curve);
    }
}

void paintProgrammerPhoto(QPainter& painter) {
    constexpr double width = 263;
    constexpr double height = 310;
    QRadialGradient backdrop(QPointF(width * 0.45, height * 0.35), height * 0.75);
    backdrop.setColorAt(0, QColor(0xEC, 0xF2, 0xF8));
    backdrop.setColorAt(1, QColor(0xB4, 0xC6, 0xDA));
    painter.fillRect(QRectF(0, 0, width, height), backdrop);
    drawBust(painter, QRectF(-4, 14, width + 8, height - 14), true);
}

} // namespace

void writeAboutPictures(PictureOutput& output) {
    output.writePng(QStringLiteral("about_picture"), QSize(aboutWidth, aboutHeight),
                    paintAboutPicture);
    output.writePng(QStringLiteral("programmer_banner"), QSize(468, 60), paintProgrammerBanner);
    output.writeJpeg(QStringLiteral("programmer_photo"), QSize(263, 310), paintProgrammerPhoto, 90);
}
