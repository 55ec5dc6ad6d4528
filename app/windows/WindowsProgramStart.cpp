#include "WindowsHeaders.h"

#include "WindowsOsLayer.h"

#include <vector>

bool WindowsOsLayer::StartCommandLine(const std::string& commandLine, std::int32_t windowStyle) {
    // An empty line names no program, and a NUL would cut the line short and start
    // something else than what was asked.
    if (commandLine.empty() || commandLine.find('\0') != std::string::npos)
        return false;
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0'); // the system may write into the line it is given

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(windowStyle);
    PROCESS_INFORMATION started{};
    if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &started))
        return false;
    ::CloseHandle(started.hThread);
    ::CloseHandle(started.hProcess);
    return true;
}
