// The main window on X11, asked to close as a window manager asks (WM_DELETE_WINDOW) while
// nothing, the Run dialog, the options dialog or a message box is open: each time the
// program ends with exit code 0, having opened the maker's page once. Qt's offscreen
// platform passes on no such request, so this runs on a display of its own:
//   xvfb-run -a close_request_scenario
// Prints one line per check, "ok: ..." or "FAIL: ...", and exits 0 when every check held,
// 77 (after "skip: why") without a display.
#include "FakeOsLayer.h"
#include "RowOf.h"
#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "chrome/MsgBox.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QTest>
#include <QTimer>
#include <QtGui/qguiapplication_platform.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <xcb/xcb.h>

namespace {

int failures = 0;

void report(bool held, const std::string& what) {
    std::printf("%s: %s\n", held ? "ok" : "FAIL", what.c_str());
    std::fflush(stdout);
    failures += held ? 0 : 1;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t found = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return found;
}

// The client message a window manager sends when the user closes a window (ICCCM 4.2.8.1).
// Sent to no event mask, the server hands it to the client that made the window: us.
void askToClose(QWidget& window) {
    xcb_connection_t* connection =
        qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection();
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = static_cast<xcb_window_t>(window.winId());
    event.type = atom(connection, "WM_PROTOCOLS");
    event.data.data32[0] = atom(connection, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, event.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&event));
    xcb_flush(connection);
}

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::printf("skip: no X display (run it under xvfb-run)\n");
        return 77;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KorvantaTaskList"));
    FakeOsLayer os;
    os.processes = {{100, "notepad.exe"}, {612, "sshd", 1, 0, 0, false}};
    std::vector<int> endings;
    setEndProgramHook([&](int code) { endings.push_back(code); });

    struct Dialog {
        std::string what;
        std::function<void(frmMain&)> open; // returns once the dialog has gone
    };
    const Dialog dialogs[] = {
        {"no dialog", nullptr},
        {"the Run dialog",
         [](frmMain& window) {
             window.cmdRun->click();
         }},
        {"the options dialog",
         [](frmMain& window) {
             window.cmdOptions->click();
         }},
        {"a message box",
         [](frmMain& window) {
             window.lstProcess->setSelectedItem(rowOf(window, 612));
             window.cmdKillProcess->click();
         }},
    };
    for (const Dialog& dialog : dialogs) {
        Forms::Reset();
        endings.clear();
        os.shellCalls.clear();
        frmMain& window = Forms::Main();
        window.show();
        report(QTest::qWaitForWindowExposed(&window), "setup: the main window is shown");
        const auto ask = [&] {
            askToClose(window);
            static_cast<void>(QTest::qWaitFor([&] { return !endings.empty(); }, 5000));
        };
        if (!dialog.open) {
            ask();
        } else {
            // Runs in the dialog's own event loop, and hides the dialog to end it.
            QTimer::singleShot(0, [&] {
                const bool opened =
                    QTest::qWaitFor([] { return QApplication::activeModalWidget(); }, 5000);
                report(opened, "setup: " + dialog.what + " is open");
                if (opened)
                    ask();
                if (QWidget* modal = QApplication::activeModalWidget())
                    modal->hide();
            });
            dialog.open(window);
        }
        report(endings == std::vector<int>{0},
               "with " + dialog.what + " open, the request ends the program with exit code 0");
        report(os.shellCalls.size() == 1 &&
                   os.shellCalls[0].file == "https://www.korvanta.example/",
               "and opens the maker's page once");
    }
    Forms::Reset();
    return failures == 0 ? 0 : 1;
}
