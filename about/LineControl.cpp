#include "LineControl.h"

#include <QPainter>

LineControl::LineControl(const QLine& line, const QColor& borderColor, int borderWidth,
                         QWidget* parent)
    : QWidget(parent), line_(line), borderColor_(borderColor), borderWidth_(borderWidth) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    const int reach = borderWidth;
    setGeometry(QRect(line.p1(), line.p2()).normalized().adjusted(-reach, -reach, reach, reach));
}

void LineControl::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setPen(QPen(borderColor_, borderWidth_, Qt::SolidLine, Qt::FlatCap));
    painter.drawLine(line_.translated(-pos()));
}
