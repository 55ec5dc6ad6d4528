#include "ProcessListDelegate.h"

#include <QApplication>
#include <QPainter>

void ProcessListDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                const QModelIndex& index) const {
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    QStyleOptionViewItem cell = option;
    cell.features |= QStyleOptionViewItem::HasDisplay;
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);

    QString text = index.data(Qt::DisplayRole).toString();
    if (text.isEmpty())
        return;
    // The standard delegate's margins, so the text sits where it always did.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const QRect area = option.rect.adjusted(margin, 0, -margin, 0);
    const QFontMetrics& metrics = option.fontMetrics;
    if (text.size() * metrics.maxWidth() > area.width() &&
        metrics.horizontalAdvance(text) > area.width())
        text = metrics.elidedText(text, Qt::ElideRight, area.width());

    const bool enabled = option.state & QStyle::State_Enabled;
    const QPalette::ColorGroup group =
        !enabled ? QPalette::Disabled
                 : (option.state & QStyle::State_Active ? QPalette::Normal : QPalette::Inactive);
    const QPalette::ColorRole role =
        option.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text;
    painter->setPen(option.palette.color(group, role));
    painter->setFont(option.font);
    painter->drawText(area, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
}

QSize ProcessListDelegate::sizeHint(const QStyleOptionViewItem& option,
                                    const QModelIndex& index) const {
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    if (style != heightStyle_ || option.font != heightFont_) {
        // The standard delegate's height for one line of text, as the cell shows it.
        QStyleOptionViewItem line = option;
        initStyleOption(&line, index);
        line.text = QStringLiteral("0");
        height_ = style->sizeFromContents(QStyle::CT_ItemViewItem, &line, QSize(), widget).height();
        heightFont_ = option.font;
        heightStyle_ = style;
    }
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    return {option.fontMetrics.horizontalAdvance(index.data(Qt::DisplayRole).toString()) +
                2 * margin,
            height_};
}
