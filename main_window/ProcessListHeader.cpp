#include "ProcessListHeader.h"

#include <QPainter>
#include <QStyleOptionHeader>

namespace {
// Room above the captions for the chevron.
constexpr int kIndicatorRoom = 4;
} // namespace

ProcessListHeader::ProcessListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {}

QSize ProcessListHeader::sizeHint() const {
    return QHeaderView::sizeHint() + QSize(0, kIndicatorRoom);
}

void ProcessListHeader::initStyleOptionForIndex(QStyleOptionHeader* option,
                                                int logicalIndex) const {
    QHeaderView::initStyleOptionForIndex(option, logicalIndex);
    option->sortIndicator = QStyleOptionHeader::None; // the caption keeps its whole width
    option->textAlignment = (option->textAlignment & ~Qt::AlignVertical_Mask) | Qt::AlignBottom;
}

void ProcessListHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    // The section's drawing leaves the painter clipped to nothing.
    painter->save();
    QHeaderView::paintSection(painter, rect, logicalIndex);
    painter->restore();
    if (!isSortIndicatorShown() || logicalIndex != sortIndicatorSection() || !rect.isValid())
        return;
    const bool ascending = sortIndicatorOrder() == Qt::AscendingOrder;
    constexpr qreal halfWidth = 3.5;
    constexpr qreal height = 3.5;
    const qreal middle = rect.left() + rect.width() / 2.0;
    const qreal top = rect.top() + 1.5;
    const qreal tip = ascending ? top : top + height;
    const qreal base = ascending ? top + height : top;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(palette().color(QPalette::ButtonText), 1.2));
    painter->drawPolyline(QPolygonF({QPointF(middle - halfWidth, base), QPointF(middle, tip),
                                     QPointF(middle + halfWidth, base)}));
    painter->restore();
}
