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

    // The process that bears the id now, opened with the access asked for, when it is
    // this identity's process; no handle otherwise. Raises what the system's calls raise,
    // having closed what it opened.
    UniqueHandle Open(std::int32_t desiredAccess) const;

    bool operator==(const ProcessIdentity&) const = default;
};
