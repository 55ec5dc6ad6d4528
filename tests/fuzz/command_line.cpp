// Any command line: the words hold no quote and no separator that a quote did not
// protect, they never hold more than the line did, and a line without quotes splits
// exactly at its spaces and tabs.
#include "app/linux/LinuxCommandLine.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> words = splitCommandLine(line);

    std::size_t total = 0;
    for (const std::string& word : words) {
        if (word.find('"') != std::string::npos)
            std::abort();
        total += word.size();
    }
    if (total > size)
        std::abort();

    if (line.find('"') == std::string_view::npos) {
        std::vector<std::string> expected;
        std::string current;
        bool inWord = false;
        for (const char c : line) {
            if (c == ' ' || c == '\t') {
                if (inWord)
                    expected.push_back(current);
                current.clear();
                inWord = false;
            } else {
                current += c;
                inWord = true;
            }
        }
        if (inWord)
            expected.push_back(current);
        if (words != expected)
            std::abort();
    }
    return 0;
}
