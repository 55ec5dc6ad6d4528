#pragma once

#include <QHeaderView>

// The process list's column headers. The sort indicator is a small chevron at the top
// centre of the sorted column's header, pointing up for an ascending order and down for a
// descending one, as in Windows' list view: the style's own arrow at the right would take
// the room of captions that only just fit their narrow columns.
class ProcessListHeader : public QHeaderView {
    Q_OBJECT
public:
    explicit ProcessListHeader(QWidget* parent = nullptr);

    QSize sizeHint() const override;

protected:
    void initStyleOptionForIndex(QStyleOptionHeader* option, int logicalIndex) const override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
};
