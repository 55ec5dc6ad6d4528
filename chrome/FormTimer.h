#pragma once

#include <QObject>

class QTimer;

// A window's timer as the program's windows expect it: Enabled and Interval are set
// independently, a change takes effect at once, and an interval of 0 never fires (a bare
// QTimer with 0 would fire on every pass of the event loop).
class FormTimer : public QObject {
    Q_OBJECT
public:
    FormTimer(bool enabled, int interval, QObject* parent = nullptr);

    bool Enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    int Interval() const { return interval_; }
    void setInterval(int interval);

signals:
    void Timer();

private:
    void apply();

    QTimer* timer_; // a child: runs only while enabled with an interval above 0
    bool enabled_;
    int interval_;
};
