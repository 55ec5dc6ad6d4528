#include "FormTimer.h"

#include <QTimer>

FormTimer::FormTimer(bool enabled, int interval, QObject* parent)
    : QObject(parent), timer_(new QTimer(this)), enabled_(enabled), interval_(interval) {
    timer_->setTimerType(Qt::PreciseTimer);
    connect(timer_, &QTimer::timeout, this, &FormTimer::Timer);
    apply();
}

void FormTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    apply();
}

void FormTimer::setInterval(int interval) {
    interval_ = interval;
    apply();
}

void FormTimer::apply() {
    if (enabled_ && interval_ > 0)
        timer_->start(interval_); // restarts the period, as a changed setting does
    else
        timer_->stop();
}
