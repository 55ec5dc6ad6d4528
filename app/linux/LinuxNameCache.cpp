#include "LinuxNameCache.h"

bool LinuxNameCache::keepable(const ProcStat& stat) {
    // Without the right to see a process's memory the kernel shows these as 0 (and the
    // code bounds as 1); a process without memory (a zombie) shows 0 too.
    const ProgramLayout& layout = stat.layout;
    return layout.argEnd > layout.argStart && layout.argStart != 0 && layout.startStack != 0 &&
           layout.endCode > layout.startCode;
}

bool LinuxNameCache::Key::matches(const ProcStat& stat) const {
    return startTime == stat.startTime && layout == stat.layout && comm == stat.comm;
}

void LinuxNameCache::Key::assign(const ProcStat& stat) {
    startTime = stat.startTime;
    layout = stat.layout;
    comm.assign(stat.comm);
}

const std::string* LinuxNameCache::find(std::int32_t pid, const ProcStat& stat) {
    const auto found = entries_.find(pid);
    if (found == entries_.end() || !found->second.key.matches(stat))
        return nullptr;
    found->second.walk = walk_;
    return &found->second.name;
}

void LinuxNameCache::store(std::int32_t pid, const ProcStat& stat, std::string_view name) {
    Entry& entry = entries_[pid];
    entry.key.assign(stat);
    entry.name.assign(name);
    entry.walk = walk_;
}

void LinuxNameCache::endWalk() {
    std::erase_if(entries_, [this](const auto& item) { return item.second.walk != walk_; });
}
