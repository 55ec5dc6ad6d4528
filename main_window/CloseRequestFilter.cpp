#include "CloseRequestFilter.h"

#include "app/CloseRequest.h"

#include <QCoreApplication>
#include <QWidget>

CloseRequestFilter::CloseRequestFilter(QWidget& window) : QObject(&window), window_(window) {
    QCoreApplication::instance()->installNativeEventFilter(this);
}

bool CloseRequestFilter::nativeEventFilter(const QByteArray& eventType, void* message,
                                           qintptr* result) {
    const std::uintptr_t asked = CloseRequest::windowAskedToClose(
        std::string_view(eventType.constData(), static_cast<std::size_t>(eventType.size())),
        message);
    // A window not yet made has no id, and is asked nothing.
    if (asked == 0 || asked != window_.internalWinId())
        return false;
    if (result)
        *result = 0;
    emit closeRequested();
    return true;
}
