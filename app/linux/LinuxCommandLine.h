#pragma once

#include <string>
#include <string_view>
#include <vector>

// The pure parts of starting a command line on Linux, where no shell is involved.

// Splits a command line into the program and its arguments. Spaces and tabs separate
// words; a double quote opens or closes a stretch in which they do not, and is itself
// dropped, so "a b"c is the one word a bc and "" is an empty word. A quote left open runs
// to the end of the line. Nothing else is special: no escapes, variables, globs,
// redirections or command separators.
std::vector<std::string> splitCommandLine(std::string_view commandLine);

// The files tried, in order, for a program name, as execvp searches: a name holding a
// slash is the only candidate; otherwise one per entry of the search path (an empty
// entry is the current folder), with the system's default path when none is set.
std::vector<std::string> programCandidates(const std::string& program, const char* searchPath);
