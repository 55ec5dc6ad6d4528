#pragma once

#include "app/UniqueHandle.h"

#include <cstdint>

// Which process a row of the list stands for. Ids are reused, sometimes within
// milliseconds, so an id alone soon names another process: a row knows its process by the
// id and by when the walk of its snapshot began (GetSystemTimeAsFileTime's clock). The
// process that bears the id now is the row's only when it was created strictly before
// that moment: it has then held the id since before the walk, so the walk saw it. One
// created at that moment or later is another, or cannot be told from one, and is refused;
// a process started in the very clock tick of a refresh is therefore refused until the
// next refresh.
struct ProcessIdentity {
    std::int32_t processId = 0;
    std::uint64_t snapshotTime = 0;

    // What an attempt to open this identity's process found.
    struct Opening {
        UniqueHandle process; // opened with the access asked for
        // No handle, because the system denied that access to this very process
        // (ERROR_ACCESS_DENIED): it runs, and belongs to another user or to the system.
        bool denied = false;
    };

    // The process that bears the id now, opened with the access asked for, when it is
    // this identity's process; no handle otherwise. Raises what the system's calls raise,
    // having closed what it opened.
    UniqueHandle Open(std::int32_t desiredAccess) const;
    // The same, and where the system denied the access, whether it denied it to this
    // identity's process, which is then opened only to read its creation.
    Opening TryOpen(std::int32_t desiredAccess) const;

    bool operator==(const ProcessIdentity&) const = default;

private:
    UniqueHandle checked(UniqueHandle process) const;
};
