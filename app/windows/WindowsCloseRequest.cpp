#include "WindowsHeaders.h"

#include "app/CloseRequest.h"

// WM_CLOSE, which the taskbar's close, the window's close command and Alt+F4 send, and the
// system command SC_CLOSE that leads to it. Messages come both from the event
// dispatcher's queue and to the window procedure.
std::uintptr_t CloseRequest::windowAskedToClose(std::string_view eventType, const void* message) {
    if (eventType != "windows_generic_MSG" && eventType != "windows_dispatcher_MSG")
        return 0;
    const auto* msg = static_cast<const MSG*>(message);
    const bool asks = msg->message == WM_CLOSE ||
                      (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == SC_CLOSE);
    return asks ? reinterpret_cast<std::uintptr_t>(msg->hwnd) : 0;
}
