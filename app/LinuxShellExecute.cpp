#include "LinuxOsLayer.h"

OsLayer::HINSTANCE LinuxOsLayer::ShellExecuteA(HWND, const char*, const char*, const char*,
                                               const char*, std::int32_t) {
    return 0;
}
