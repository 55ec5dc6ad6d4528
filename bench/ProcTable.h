#pragma once

#include <string>
#include <vector>

// The process table read the bare way and through ps, for comparison with the program.
namespace ProcTable {

// Lists /proc and opens, reads and closes PID/stat of every process, nothing else.
// Returns the number of stat files read.
int floorWalk();

// The same walk, keeping the ids of the processes whose stat file could be read.
std::vector<int> floorIds();

// Runs `ps -e -o pid=,nlwp=,comm=` and returns the process ids it printed, ps itself
// included. childCpu, if given, receives the CPU seconds that ps used.
std::vector<int> psIds(double* childCpu = nullptr);

// The kernel memory charged to this program's memory cgroup, in bytes (cgroup v2's
// memory.stat "kernel", v1's memory.kmem.usage_in_bytes), or else the system's slab from
// /proc/meminfo, which other programs move too; source names which. -1 when none can be read.
long long kernelMemoryBytes(std::string* source = nullptr);

// How many of this program's descriptors are open on a process's /proc/PID/stat: the stat
// files its Linux layers keep.
int openStatFiles();

// The first line that `ps --version` prints.
std::string psVersion();

} // namespace ProcTable
