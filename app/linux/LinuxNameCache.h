#pragma once

#include "ProcStat.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>

// The full executable names of the processes whose kernel name may be cut, kept from one
// walk of /proc to the next, so that such a process's command line is read once rather
// than at every refresh.
//
// A kept name is used only for the same program in the same process. It is keyed by the
// process id and start time (a reused id comes with a later start), the kernel name (a
// rename changes it) and where the program's code, stack and arguments lie: a new program
// in the same process gets a new layout, which the kernel places at random. Where that
// layout is hidden from the reader, or the system does not place programs at random,
// nothing is kept.
class LinuxNameCache {
public:
    // Whether a name may be kept for a process with this stat line.
    static bool keepable(const ProcStat& stat);

    // The name kept for this process running this program, or nullptr.
    const std::string* find(std::int32_t pid, const ProcStat& stat);
    void store(std::int32_t pid, const ProcStat& stat, std::string_view name);

    // A walk marks the names it meets; ending it forgets every name it did not meet.
    void beginWalk() { ++walk_; }
    void endWalk();
    std::size_t size() const { return entries_.size(); }

private:
    struct Key {
        std::uint64_t startTime = 0;
        ProgramLayout layout;
        std::string comm;

        bool matches(const ProcStat& stat) const;
        void assign(const ProcStat& stat);
    };
    struct Entry {
        Key key;
        std::string name;
        std::uint32_t walk = 0;
    };

    std::unordered_map<std::int32_t, Entry> entries_;
    std::uint32_t walk_ = 0;
};
