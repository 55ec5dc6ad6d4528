// A /proc/PID/stat line of any bytes: the reader never reads outside the line, and a
// line it accepts has its name between the first '(' and the last ')'.
#include "app/linux/ProcStat.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    ProcStat stat;
    if (!parseProcStat(line, stat))
        return 0;
    const std::size_t open = line.find('(');
    const std::size_t close = line.rfind(')');
    if (stat.comm.data() != line.data() + open + 1 || stat.comm.size() != close - open - 1)
        std::abort();
    // The state is the byte after ") ".
    if (close + 2 >= line.size() || stat.state != line[close + 2])
        std::abort();
    return 0;
}
