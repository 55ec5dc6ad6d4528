#pragma once

#include <functional>

// Ends the program at once with exitCode: no window is closed, no handler runs.
void EndProgram(int exitCode);

// Tests put their own ending in place (nullptr: the real one) so the runner lives on.
void setEndProgramHook(std::function<void(int)> hook);
