#include "Icons.h"

#include "Colours.h"
#include "Motifs.h"
#include "PictureOutput.h"

#include <QPainter>

namespace {

void paintMainIcon(QPainter& painter) {
    painter.fillRect(QRect(0, 0, 32, 32), colours::bandFill);
    drawMonitor(painter, QRectF(0, 0, 32, 32));
}

void paintRunButton(QPainter& painter) {
    painter.fillRect(QRect(0, 0, 44, 24), colours::peach);
    drawRunMotif(painter, QRectF(0, 0, 44, 24));
}

void paintRunIcon(QPainter& painter) {
    painter.fillRect(QRect(0, 0, 32, 32), colours::peach);
    drawRunMotif(painter, QRectF(0, 0, 32, 32));
}

void paintProgrammerIcon(QPainter& painter) {
    painter.fillRect(QRect(0, 0, 32, 32), QColor(0xD8, 0xE8, 0xF6));
    drawBust(painter, QRectF(-2.5, -6.5, 37, 43.7), false);
}

} // namespace

void writeIcons(PictureOutput& output) {
    output.writePng(QStringLiteral("main_icon"), QSize(32, 32), paintMainIcon,
                    PictureOutput::Colours::AtMost256);
    output.writeWindowsIcon(QStringLiteral("main_icon"), QSize(32, 32), paintMainIcon);
    for (int size : {16, 32, 48, 64, 128, 256}) {
        output.writeTransparentPng(
            QStringLiteral("app_icon_%1").arg(size), QSize(size, size),
            [size](QPainter& painter) { drawMonitor(painter, QRectF(0, 0, size, size)); });
    }
    output.writePng(QStringLiteral("run_button"), QSize(44, 24), paintRunButton);
    output.writePng(QStringLiteral("run_icon"), QSize(32, 32), paintRunIcon,
                    PictureOutput::Colours::AtMost256);
    output.writePng(QStringLiteral("programmer_icon"), QSize(32, 32), paintProgrammerIcon);
}
