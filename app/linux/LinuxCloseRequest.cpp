#include "app/CloseRequest.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <cstring>
#if QT_CONFIG(xcb)
#include <xcb/xcb.h>
#endif

#if QT_CONFIG(xcb)
namespace {

struct Atoms {
    xcb_atom_t protocols = XCB_ATOM_NONE;
    xcb_atom_t deleteWindow = XCB_ATOM_NONE;
};

xcb_atom_t existingAtom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 1, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

// Asked for at the first client message, by when the display is open and Qt has made both.
const Atoms& atoms() {
    static const Atoms known = [] {
        Atoms found;
        const auto* x11 =
            qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (x11 && x11->connection()) {
            found.protocols = existingAtom(x11->connection(), "WM_PROTOCOLS");
            found.deleteWindow = existingAtom(x11->connection(), "WM_DELETE_WINDOW");
        }
        return found;
    }();
    return known;
}

} // namespace
#endif

// X11: the window manager sends the window a client message WM_PROTOCOLS that names
// WM_DELETE_WINDOW (ICCCM 4.2.8.1). Other platforms of Qt on Linux pass on no such message.
std::uintptr_t CloseRequest::windowAskedToClose(std::string_view eventType, const void* message) {
#if QT_CONFIG(xcb)
    if (eventType != "xcb_generic_event_t")
        return 0;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    // The high bit marks an event that a client sent, as window managers send this one.
    if ((event->response_type & 0x7F) != XCB_CLIENT_MESSAGE)
        return 0;
    const auto* client = static_cast<const xcb_client_message_event_t*>(message);
    if (client->format != 32)
        return 0;
    const Atoms& known = atoms();
    if (known.protocols == XCB_ATOM_NONE || client->type != known.protocols ||
        client->data.data32[0] != known.deleteWindow)
        return 0;
    return client->window;
#else
    static_cast<void>(eventType);
    static_cast<void>(message);
    return 0;
#endif
}
