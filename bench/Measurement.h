#pragma once

#include <vector>

// Clocks and the median the benchmark reports.
namespace Measurement {

double wallSeconds();
// CPU time of the whole benchmark process, every thread, user and system.
double cpuSeconds();
// CPU time of the calling thread: what a piece of work costs, however busy the machine.
double threadCpuSeconds();
double median(std::vector<double> values);

} // namespace Measurement
