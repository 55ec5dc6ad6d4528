#include "ProcessListScrollBar.h"

#include <QStyleOptionSlider>

void ProcessListScrollBar::sliderChange(SliderChange change) {
    if ((change == SliderRangeChange || change == SliderValueChange) && look() == painted_)
        return; // nothing to repaint
    QScrollBar::sliderChange(change);
}

void ProcessListScrollBar::paintEvent(QPaintEvent* event) {
    QScrollBar::paintEvent(event);
    painted_ = look();
}

ProcessListScrollBar::Look ProcessListScrollBar::look() const {
    QStyleOptionSlider option;
    initStyleOption(&option);
    return {
        style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, this),
        value() == minimum(), value() == maximum()};
}
