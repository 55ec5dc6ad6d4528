#include "LinuxCommandLine.h"

namespace {

bool separates(char c) {
    return c == ' ' || c == '\t';
}

} // namespace

std::vector<std::string> splitCommandLine(std::string_view commandLine) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (const char c : commandLine) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true; // "" still makes a word, an empty one
        } else if (separates(c) && !quoted) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

std::vector<std::string> programCandidates(const std::string& program, const char* searchPath) {
    if (program.empty())
        return {};
    if (program.find('/') != std::string::npos)
        return {program};
    // execvp's own default when PATH is unset.
    const std::string_view path = searchPath ? searchPath : "/bin:/usr/bin";
    std::vector<std::string> candidates;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = path.find(':', start);
        const std::string_view folder = path.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (folder.empty())
            candidates.push_back(program);
        else if (folder.back() == '/')
            candidates.push_back(std::string(folder) + program);
        else
            candidates.push_back(std::string(folder) + '/' + program);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    return candidates;
}
