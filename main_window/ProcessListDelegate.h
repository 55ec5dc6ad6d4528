#pragma once

#include <QStyledItemDelegate>

// Draws the process list's cells: one line of plain text each, cut with an ellipsis when
// it does not fit, over the style's own row background and selection. It skips the text
// layout that the standard delegate runs for every cell, which is most of the cost of
// painting the list after a refresh, and of laying it out: a cell's height is that of one
// line in its font, found once per font and style.
class ProcessListDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // The font and style that the height below is for.
    mutable QFont heightFont_;
    mutable const QStyle* heightStyle_ = nullptr;
    mutable int height_ = 0;
};
