#pragma once

#include <QScrollBar>

// The process list's scroll bar. It repaints when its handle or its arrows would look
// different, not at every change of its range: a refresh that adds or removes a row far
// below leaves a long list's handle where it was.
class ProcessListScrollBar : public QScrollBar {
    Q_OBJECT
public:
    using QScrollBar::QScrollBar;

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* event) override;

private:
    // What a change of range or value can alter of the bar's look.
    struct Look {
        QRect handle;
        bool atMinimum = false;
        bool atMaximum = false;
        bool operator==(const Look&) const = default;
    };
    Look look() const;

    Look painted_; // as last painted
};
