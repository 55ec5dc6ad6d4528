#include "WindowsHeaders.h"

#include "WindowsOsLayer.h"

namespace {
using ShellExecuteACall = HINSTANCE(WINAPI*)(::HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);
} // namespace

OsLayer::HINSTANCE WindowsOsLayer::ShellExecuteA(HWND hwnd, const char* lpOperation,
                                                 const char* lpFile, const char* lpParameters,
                                                 const char* lpDirectory, std::int32_t nShowCmd) {
    const auto call = reinterpret_cast<ShellExecuteACall>(address(ShellExecuteAFunction));
    return reinterpret_cast<HINSTANCE>(call(reinterpret_cast<::HWND>(hwnd), lpOperation, lpFile,
                                            lpParameters, lpDirectory, nShowCmd));
}
