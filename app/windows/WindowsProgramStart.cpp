#include "WindowsHeaders.h"

#include "WindowsOsLayer.h"

#include <memory>
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
    // The program runs on its own: neither handle is kept.
    using Owned = std::unique_ptr<void, decltype(&::CloseHandle)>;
    const Owned thread(started.hThread, &::CloseHandle);
    const Owned process(started.hProcess, &::CloseHandle);
    return true;
}
