#pragma once

#include <cstdint>
#include <string_view>

// Where a process's program, stack and arguments lie. A new program in the same process
// gets a new layout; fields the reader may not see read 0 (the code bounds 1).
struct ProgramLayout {
    std::uint64_t startCode = 0;
    std::uint64_t endCode = 0;
    std::uint64_t startStack = 0;
    std::uint64_t argStart = 0;
    std::uint64_t argEnd = 0;
    std::uint64_t envStart = 0;
    std::uint64_t envEnd = 0;

    bool operator==(const ProgramLayout&) const = default;
};

// The fields of one /proc/PID/stat line that the process table needs.
struct ProcStat {
    std::string_view comm; // the kernel's short name, up to 15 bytes, any bytes
    char state = 0;
    std::int64_t ppid = 0;
    std::int64_t session = 0;
    std::uint64_t userTime = 0;   // clock ticks
    std::uint64_t kernelTime = 0; // clock ticks
    std::int64_t nice = 0;
    std::int64_t threads = 0;
    std::uint64_t startTime = 0; // clock ticks since boot
    std::int64_t policy = 0;
    std::uint64_t flags = 0; // PF_* bits of the kernel
    ProgramLayout layout;
};

// What to read of a stat line: every field above; or where the program lies in memory (the
// layout), which a third of the line tells and only a cut name needs, only where the name
// is 15 bytes long, as long as the kernel keeps.
enum class StatFields { All, LayoutOfCutNames };

// Reads a stat line. The name stands between the first '(' and the LAST ')', since it may
// itself hold spaces and parentheses. Returns false for a line that is cut short or
// malformed; fields the kernel does not report (old kernels end early), and the layout
// when it is not asked for, keep 0. Fields between those read are passed over unchecked.
bool parseProcStat(std::string_view line, ProcStat& out, StatFields fields = StatFields::All);

// The executable's file name for a process whose short name may be cut: the base name of
// the first command-line word that starts with the short name (a script's own name comes
// after its interpreter's). Empty when none does, as for kernel threads.
std::string_view exeNameFromCmdline(std::string_view comm, std::string_view cmdline);
