#pragma once

#include <cstdint>
#include <string>

// What the tests ask the system directly, beside the program's own layer.
namespace WindowsProbe {

inline constexpr unsigned kTimeoutMs = 30000;

std::int32_t currentProcessId();
// Counted from the system's thread snapshot, independently of the process records.
int threadCount(std::int32_t pid);
bool handleIsOpen(std::intptr_t handle);
unsigned ansiCodePage();
bool underWine();

std::string executablePath();
std::string folderOf(const std::string& path);
std::string fileNameOf(const std::string& path);
// The folder of the test program, where windows_target.exe is built.
std::string testFolder();
// A new empty folder for one test; removeFolder takes it and its files away.
std::string newFolder();
void removeFolder(const std::string& folder);
bool copyFile(const std::string& from, const std::string& to);
void writeFile(const std::string& path, const std::string& text);
// The text of path once it exists, or "" after timeoutMs.
std::string waitForFile(const std::string& path, unsigned timeoutMs = kTimeoutMs);

// The id of a running child of this process named exeName, waiting up to timeoutMs for
// it to appear; 0 when none did.
std::int32_t waitForChild(const std::string& exeName, unsigned timeoutMs = kTimeoutMs);
// Waits up to timeoutMs until no child of this process is named exeName.
bool waitForNoChild(const std::string& exeName, unsigned timeoutMs = kTimeoutMs);
// Ends a process this test started without keeping a handle, and waits for its end.
bool endProcess(std::int32_t pid);

} // namespace WindowsProbe
