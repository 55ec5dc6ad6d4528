#pragma once

#include <QAbstractNativeEventFilter>
#include <QObject>

class QWidget;

// Takes every request of the windowing system to close one window (the window manager's
// close, the taskbar's) before Qt does, and emits closeRequested in its place: Qt drops
// such a request while a modal dialog or message box blocks the window, and the request
// must not be lost. A child of the window; it takes requests from its construction on.
class CloseRequestFilter : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit CloseRequestFilter(QWidget& window);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

signals:
    void closeRequested();

private:
    QWidget& window_;
};
