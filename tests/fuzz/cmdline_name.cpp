// A short name and a command line of any bytes: the full name found is one whole word of
// the command line, stripped of its folders, that starts with the short name.
#include "app/linux/ProcStat.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    // The first byte says how long the short name is (the kernel's is at most 15 bytes,
    // but any length must be safe).
    const std::size_t nameLength = std::min<std::size_t>(data[0], size - 1);
    const std::string_view comm(reinterpret_cast<const char*>(data) + 1, nameLength);
    const std::string_view cmdline(comm.data() + nameLength, size - 1 - nameLength);

    const std::string_view full = exeNameFromCmdline(comm, cmdline);
    if (full.empty())
        return 0;
    if (comm.empty() || full.data() < cmdline.data() ||
        full.data() + full.size() > cmdline.data() + cmdline.size())
        std::abort();
    if (full.substr(0, comm.size()) != comm)
        std::abort();
    if (full.find('\0') != std::string_view::npos)
        std::abort();
    // The word ends at a NUL or at the end of the command line.
    const char* end = full.data() + full.size();
    if (end != cmdline.data() + cmdline.size() && *end != '\0')
        std::abort();
    // Folders are stripped: nothing before the name in its word but a path ending in '/'.
    if (full.find('/') != std::string_view::npos)
        std::abort();
    if (full.data() != cmdline.data() && full.data()[-1] != '\0' && full.data()[-1] != '/')
        std::abort();
    return 0;
}
