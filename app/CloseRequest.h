#pragma once

#include <cstdint>
#include <string_view>

// Which messages of the windowing system ask a window to close, as each system has them
// (app/linux/, app/windows/): the window manager's close, the taskbar's, logging out. Qt
// drops such a request for a window that a modal dialog blocks before any widget sees it,
// so the program reads the messages as Qt's native event filters get them.
namespace CloseRequest {

// The native id of the window that the message asks to close; 0 for any other message.
std::uintptr_t windowAskedToClose(std::string_view eventType, const void* message);

} // namespace CloseRequest
