#include "ProcStat.h"

#include <cstdint>
#include <cstring>

namespace {

// Parses a signed decimal field starting at pos; moves pos past it and one separator.
bool readNumber(std::string_view line, std::size_t& pos, std::int64_t& value) {
    bool negative = false;
    if (pos < line.size() && line[pos] == '-') {
        negative = true;
        ++pos;
    }
    const std::size_t start = pos;
    std::uint64_t magnitude = 0;
    while (pos < line.size() && line[pos] >= '0' && line[pos] <= '9') {
        magnitude = magnitude * 10 + static_cast<unsigned>(line[pos] - '0');
        ++pos;
    }
    if (pos == start)
        return false;
    value = static_cast<std::int64_t>(negative ? 0 - magnitude : magnitude);
    if (pos < line.size() && line[pos] == ' ')
        ++pos;
    return true;
}

bool skipField(std::string_view line, std::size_t& pos) {
    const std::size_t start = pos;
    while (pos < line.size() && line[pos] != ' ' && line[pos] != '\n')
        ++pos;
    if (pos == start)
        return false;
    if (pos < line.size() && line[pos] == ' ')
        ++pos;
    return true;
}

// Moves pos past up to count more spaces, without reading the fields in between; returns
// how many it passed. Fewer than count when the line ends first: pos is then at its end or
// its newline.
int skipFields(std::string_view line, std::size_t& pos, int count) {
    int passed = 0;
    for (; pos < line.size() && line[pos] != '\n'; ++pos)
        if (line[pos] == ' ' && ++passed == count) {
            ++pos;
            return passed;
        }
    return passed;
}

constexpr std::uint64_t fieldBits(std::initializer_list<int> fields) {
    std::uint64_t bits = 0;
    for (const int field : fields)
        bits |= std::uint64_t{1} << field;
    return bits;
}

// The fields read, by their numbers in proc(5), and where the program lies in memory.
constexpr std::uint64_t kReadFields = fieldBits({4, 6, 9, 14, 15, 19, 20, 22, 41});
constexpr std::uint64_t kLayoutFields = fieldBits({26, 27, 28, 48, 49, 50, 51});

// The kernel keeps 15 bytes of a name: a longer one is cut to that.
constexpr std::size_t kShortNameLength = 15;

} // namespace

bool parseProcStat(std::string_view line, ProcStat& out, StatFields fields) {
    const std::size_t open = line.find('(');
    // The last ')' lies near the start, before some 300 bytes of numbers: memrchr crosses
    // those many bytes at a time.
    const void* last = line.empty() ? nullptr : ::memrchr(line.data(), ')', line.size());
    if (open == std::string_view::npos || !last)
        return false;
    const auto close = static_cast<std::size_t>(static_cast<const char*>(last) - line.data());
    if (close < open)
        return false;
    out = ProcStat{};
    out.comm = line.substr(open + 1, close - open - 1);

    // Fields are numbered as in proc(5): 3 is the state, right after ") ".
    std::size_t pos = close + 1;
    if (pos >= line.size() || line[pos] != ' ')
        return false;
    ++pos;
    if (pos >= line.size())
        return false;
    out.state = line[pos];
    if (!skipField(line, pos))
        return false;

    const bool layout = fields == StatFields::All || (fields == StatFields::LayoutOfCutNames &&
                                                      out.comm.size() == kShortNameLength);
    const std::uint64_t wanted = kReadFields | (layout ? kLayoutFields : 0);
    const int lastField = layout ? 51 : 41;
    std::int64_t value = 0;
    for (int field = 4; field <= lastField;) {
        if (pos >= line.size() || line[pos] == '\n')
            return field > 20; // the name, parent, nice and threads are the minimum
        if ((wanted >> field & 1) == 0) {
            int run = 1;
            while (field + run <= lastField && (wanted >> (field + run) & 1) == 0)
                ++run;
            field += skipFields(line, pos, run);
            continue;
        }
        if (!readNumber(line, pos, value))
            return false;
        switch (field) {
        case 4:
            out.ppid = value;
            break;
        case 6:
            out.session = value;
            break;
        case 14:
            out.userTime = static_cast<std::uint64_t>(value);
            break;
        case 15:
            out.kernelTime = static_cast<std::uint64_t>(value);
            break;
        case 19:
            out.nice = value;
            break;
        case 20:
            out.threads = value;
            break;
        case 22:
            out.startTime = static_cast<std::uint64_t>(value);
            break;
        case 9:
            out.flags = static_cast<std::uint64_t>(value);
            break;
        case 26:
            out.layout.startCode = static_cast<std::uint64_t>(value);
            break;
        case 27:
            out.layout.endCode = static_cast<std::uint64_t>(value);
            break;
        case 28:
            out.layout.startStack = static_cast<std::uint64_t>(value);
            break;
        case 41:
            out.policy = value;
            break;
        case 48:
            out.layout.argStart = static_cast<std::uint64_t>(value);
            break;
        case 49:
            out.layout.argEnd = static_cast<std::uint64_t>(value);
            break;
        case 50:
            out.layout.envStart = static_cast<std::uint64_t>(value);
            break;
        case 51:
            out.layout.envEnd = static_cast<std::uint64_t>(value);
            break;
        default:
            break;
        }
        ++field;
    }
    return true;
}

std::string_view exeNameFromCmdline(std::string_view comm, std::string_view cmdline) {
    if (comm.empty())
        return {};
    std::size_t start = 0;
    while (start < cmdline.size()) {
        std::size_t end = cmdline.find('\0', start);
        if (end == std::string_view::npos)
            end = cmdline.size();
        std::string_view word = cmdline.substr(start, end - start);
        const std::size_t slash = word.rfind('/');
        if (slash != std::string_view::npos)
            word.remove_prefix(slash + 1);
        if (word.size() >= comm.size() && word.substr(0, comm.size()) == comm)
            return word;
        start = end + 1;
    }
    return {};
}
