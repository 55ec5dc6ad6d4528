#include "clsActiveProcess.h"

#include "app/RuntimeError.h"
#include "app/UniqueHandle.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::int32_t kGrowthStep = 20;

// How many bytes of the buffer come before its trailing NULs.
int usedBytes(const char (&buffer)[basDeclares::MAX_PATH]) {
    int used = basDeclares::MAX_PATH;
    while (used > 0 && buffer[used - 1] == 0)
        --used;
    return used;
}

} // namespace

const clsActiveProcess::Record& clsActiveProcess::at(std::int32_t index) const {
    if (!store_ || index < 0 || index >= static_cast<std::int32_t>(store_->size()))
        throw RuntimeError(RuntimeError::SubscriptOutOfRange);
    return (*store_)[static_cast<std::size_t>(index)];
}

std::uint64_t clsActiveProcess::snapshotTime() const {
    return snapshotTime_;
}

std::u16string_view clsActiveProcess::szExeFile(std::int32_t index) const {
    const Record& record = at(index);
    return std::u16string_view(record.szExeFile, basDeclares::MAX_PATH);
}

std::int32_t clsActiveProcess::dwFlags(std::int32_t index) const {
    return at(index).dwFlags;
}

std::int32_t clsActiveProcess::pcPriClassBase(std::int32_t index) const {
    return at(index).pcPriClassBase;
}

std::int32_t clsActiveProcess::th32ParentProcessID(std::int32_t index) const {
    return at(index).th32ParentProcessID;
}

std::int32_t clsActiveProcess::cntThreads(std::int32_t index) const {
    return at(index).cntThreads;
}

std::int32_t clsActiveProcess::thModuleID(std::int32_t index) const {
    return at(index).th32ModuleID;
}

std::int32_t clsActiveProcess::th32DefaultHeapID(std::int32_t index) const {
    return at(index).th32DefaultHeapID;
}

std::int32_t clsActiveProcess::th32ProcessID(std::int32_t index) const {
    return at(index).th32ProcessID;
}

std::int32_t clsActiveProcess::cntUsage(std::int32_t index) const {
    return at(index).cntUsage;
}

std::int32_t clsActiveProcess::dwSize(std::int32_t index) const {
    return at(index).dwSize;
}

// Records 1 to count are the new ones; those the store held before at 1 to 20 stay; any
// other record up to the bound is zero, as it would be had it been added then.
void clsActiveProcess::settleStore(std::size_t upperBound, std::size_t count, std::size_t before) {
    std::vector<Record>& store = *store_;
    store.resize(upperBound + 1);
    const std::size_t firstZero = std::max<std::size_t>(count + 1, kGrowthStep + 1);
    for (std::size_t index = firstZero; index < std::min(before, upperBound + 1); ++index)
        store[index] = Record{};
}

std::int32_t clsActiveProcess::GetActiveProcess() {
    basDeclares::PROCESSENTRY32 working;
    std::memset(&working, 0, sizeof working);
    std::int16_t count = 0;

    // Taken before the walk begins: every process the walk sees had started by then or
    // starts during it, so a process created before this moment that holds a record's id
    // later is the very process of that record.
    basDeclares::FILETIME begun{};
    basDeclares::GetSystemTimeAsFileTime(begun);
    // Closed on every way out of the walk, the overflow included.
    const UniqueHandle snapshot(
        basDeclares::CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0));
    if (!snapshot)
        return 0;
    const basDeclares::HANDLE handle = snapshot.get();
    snapshotTime_ = basDeclares::FileTimeValue(begun);

    working.dwSize = sizeof(basDeclares::PROCESSENTRY32);
    bool delivered = basDeclares::Process32First(handle, working) != 0;
    // The store is cut back to indices 0 to 20 and grows by 20 zero records whenever the
    // count reaches a multiple of 20. Rather than write every record twice, the records
    // are written over the ones already there, and the bounds and zero records that this
    // gives are set once, at the end (also before an overflow is raised).
    if (!store_)
        store_.emplace(kGrowthStep + 1);
    std::vector<Record>& store = *store_;
    const std::size_t before = store.size();
    std::size_t upperBound = kGrowthStep;

    while (delivered) {
        if (count == INT16_MAX) {
            settleStore(upperBound, static_cast<std::size_t>(count), before);
            throw RuntimeError(RuntimeError::Overflow);
        }
        ++count;
        if (count % kGrowthStep == 0)
            upperBound = static_cast<std::size_t>(count) + kGrowthStep;

        const auto index = static_cast<std::size_t>(count);
        if (index == store.size())
            store.emplace_back();
        Record& record = store[index];
        record.dwSize = working.dwSize;
        record.cntUsage = working.cntUsage;
        record.th32ProcessID = working.th32ProcessID;
        record.th32DefaultHeapID = working.th32DefaultHeapID;
        record.th32ModuleID = working.th32ModuleID;
        record.cntThreads = working.cntThreads;
        record.th32ParentProcessID = working.th32ParentProcessID;
        record.pcPriClassBase = working.pcPriClassBase;
        record.dwFlags = working.dwFlags;
        const int used = usedBytes(working.szExeFile);
        basDeclares::WidenExeFile(working.szExeFile, record.szExeFile, used);
        if (record.szExeFileUsed > used)
            std::fill(record.szExeFile + used, record.szExeFile + record.szExeFileUsed, u'\0');
        record.szExeFileUsed = static_cast<std::int16_t>(used);

        delivered = basDeclares::Process32Next(handle, working) != 0;
    }
    settleStore(upperBound, static_cast<std::size_t>(count), before);
    return count;
}
