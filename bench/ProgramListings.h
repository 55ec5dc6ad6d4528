#pragma once

#include <cstddef>

// How many folder listings the program has read to their end: the benchmark brings its own
// getdents64, which the Linux layer's listings of /proc call in place of the C library's
// (the benchmark's own walks of /proc ask the system directly, uncounted). The difference
// between two readings is how many walks of /proc listed the folder in between.
namespace ProgramListings {

std::size_t count();

} // namespace ProgramListings
