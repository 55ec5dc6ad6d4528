#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The executable name that a new snapshot shows for processId, widened as the process
// list shows it (up to its first NUL); none when no such process is running or no
// snapshot could be taken.
std::optional<std::u16string> runningExeName(std::int32_t processId);
