#include "clsActiveProcess.h"

#include "app/RuntimeError.h"
#include "app/UniqueHandle.h"

#include <cstring>

namespace {

constexpr std::int32_t kGrowthStep = 20;

} // namespace

const clsActiveProcess::Record& clsActiveProcess::at(std::int32_t index) const {
    if (!store_ || index < 0 || index >= static_cast<std::int32_t>(store_->size()))
        throw RuntimeError(RuntimeError::SubscriptOutOfRange);
    return (*store_)[static_cast<std::size_t>(index)];
}

std::uint64_t clsActiveProcess::snapshotTime() const {
    return snapshotTime_;
}

std::u16string clsActiveProcess::szExeFile(std::int32_t index) const {
    const Record& record = at(index);
    return std::u16string(record.szExeFile, basDeclares::MAX_PATH);
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

void clsActiveProcess::resizeStore(std::size_t upperBound) {
    if (!store_)
        store_.emplace();
    store_->resize(upperBound + 1);
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
    resizeStore(kGrowthStep);

    while (delivered) {
        if (count == INT16_MAX)
            throw RuntimeError(RuntimeError::Overflow);
        ++count;
        if (count % kGrowthStep == 0)
            resizeStore(static_cast<std::size_t>(count) + kGrowthStep);

        Record& record = (*store_)[static_cast<std::size_t>(count)];
        record.dwSize = working.dwSize;
        record.cntUsage = working.cntUsage;
        record.th32ProcessID = working.th32ProcessID;
        record.th32DefaultHeapID = working.th32DefaultHeapID;
        record.th32ModuleID = working.th32ModuleID;
        record.cntThreads = working.cntThreads;
        record.th32ParentProcessID = working.th32ParentProcessID;
        record.pcPriClassBase = working.pcPriClassBase;
        record.dwFlags = working.dwFlags;
        basDeclares::WidenExeFile(working.szExeFile, record.szExeFile);

        delivered = basDeclares::Process32Next(handle, working) != 0;
    }
    return count;
}
