#include "app/CloseRequest.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

// What the window procedure was handed, as Qt's filter is handed it.
std::vector<MSG> received;

LRESULT CALLBACK recordMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    received.push_back(MSG{hwnd, message, wParam, lParam, 0, {}});
    if (message == WM_CLOSE)
        return 0; // stays: only what asks is looked at
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

class RecordingWindow {
public:
    RecordingWindow() {
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = recordMessage;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = kClass;
        RegisterClassA(&windowClass); // the second window finds it made
        // Message-only: it takes messages as any window does, and needs no display.
        hwnd_ = CreateWindowExA(0, kClass, "korvanta", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                windowClass.hInstance, nullptr);
    }
    ~RecordingWindow() { DestroyWindow(hwnd_); }
    RecordingWindow(const RecordingWindow&) = delete;
    RecordingWindow& operator=(const RecordingWindow&) = delete;

    HWND hwnd() const { return hwnd_; }
    std::uintptr_t id() const { return reinterpret_cast<std::uintptr_t>(hwnd_); }

private:
    static constexpr const char* kClass = "KorvantaCloseRequestTest";
    HWND hwnd_ = nullptr;
};

} // namespace

TEST(WindowsCloseRequest, WmCloseAndScCloseNameTheirWindowAndNothingElseAsks) {
    RecordingWindow window, other;
    ASSERT_NE(window.hwnd(), nullptr);
    ASSERT_NE(other.hwnd(), nullptr);

    // Posted, as the taskbar's close is, it comes from the queue the event dispatcher reads.
    ASSERT_TRUE(PostMessageA(other.hwnd(), WM_CLOSE, 0, 0));
    MSG queued{};
    ASSERT_TRUE(PeekMessageA(&queued, other.hwnd(), WM_CLOSE, WM_CLOSE, PM_REMOVE));
    EXPECT_EQ(CloseRequest::windowAskedToClose("windows_dispatcher_MSG", &queued), other.id());
    EXPECT_EQ(CloseRequest::windowAskedToClose("xcb_generic_event_t", &queued), 0u);

    // The system command comes to the window procedure, and the system's own handling of
    // it sends WM_CLOSE; other commands and messages ask nothing.
    received.clear();
    SendMessageA(window.hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    SendMessageA(window.hwnd(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    SendMessageA(window.hwnd(), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("renamed"));
    SendMessageA(window.hwnd(), WM_QUERYENDSESSION, 0, 0);
    std::vector<UINT> asking;
    for (const MSG& message : received) {
        const std::uintptr_t asked =
            CloseRequest::windowAskedToClose("windows_generic_MSG", &message);
        if (asked != 0) {
            EXPECT_EQ(asked, window.id());
            asking.push_back(message.message);
        }
    }
    EXPECT_EQ(asking, (std::vector<UINT>{WM_SYSCOMMAND, WM_CLOSE}));
    EXPECT_GE(received.size(), 5u);
}
