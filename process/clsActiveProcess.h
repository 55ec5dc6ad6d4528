#pragma once

#include "app/basDeclares.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A snapshot of the running processes, kept as records indexed from 1 to the count that
// GetActiveProcess returned. Record 0 is never filled and stays all zero. Accessors raise
// RuntimeError 9 for an index outside the store, or before any store exists.
class clsActiveProcess {
public:
    // All 260 characters of the stored name, valid until the next GetActiveProcess.
    std::u16string_view szExeFile(std::int32_t index) const;
    std::int32_t dwFlags(std::int32_t index) const;
    std::int32_t pcPriClassBase(std::int32_t index) const;
    std::int32_t th32ParentProcessID(std::int32_t index) const;
    std::int32_t cntThreads(std::int32_t index) const;
    std::int32_t thModuleID(std::int32_t index) const;
    std::int32_t th32DefaultHeapID(std::int32_t index) const;
    std::int32_t th32ProcessID(std::int32_t index) const;
    std::int32_t cntUsage(std::int32_t index) const;
    std::int32_t dwSize(std::int32_t index) const;

    // Takes a new snapshot and returns its count. Raises RuntimeError 6 past 32,767
    // processes, with records 1 to 32,767 already stored.
    std::int32_t GetActiveProcess();

    // When the walk of the stored snapshot began, as GetSystemTimeAsFileTime gives it.
    std::uint64_t snapshotTime() const;

private:
    struct Record {
        std::int32_t dwSize = 0;
        std::int32_t cntUsage = 0;
        std::int32_t th32ProcessID = 0;
        std::int32_t th32DefaultHeapID = 0;
        std::int32_t th32ModuleID = 0;
        std::int32_t cntThreads = 0;
        std::int32_t th32ParentProcessID = 0;
        std::int32_t pcPriClassBase = 0;
        std::int32_t dwFlags = 0;
        char16_t szExeFile[basDeclares::MAX_PATH] = {};
        // The units of szExeFile that may be other than NUL: a name is written up to
        // the longer of its own extent and the one it replaces, not over the whole
        // buffer, which most of a refresh's records would otherwise be.
        std::int16_t szExeFileUsed = 0;
    };

    const Record& at(std::int32_t index) const;
    void settleStore(std::size_t upperBound, std::size_t count, std::size_t before);

    std::optional<std::vector<Record>> store_;
    std::uint64_t snapshotTime_ = 0;
};
