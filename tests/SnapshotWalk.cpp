#include "SnapshotWalk.h"

#include <gtest/gtest.h>

std::vector<SeenProcess> walkSnapshot(OsLayer& os) {
    std::vector<SeenProcess> seen;
    const auto handle = os.CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0);
    if (handle == basDeclares::INVALID_HANDLE_VALUE)
        return seen;
    basDeclares::PROCESSENTRY32 record{};
    record.dwSize = sizeof record;
    for (auto more = os.Process32First(handle, record); more;
         more = os.Process32Next(handle, record))
        seen.push_back({record, record.szExeFile});
    EXPECT_EQ(os.CloseHandle(handle), 1);
    return seen;
}

const SeenProcess* findProcess(const std::vector<SeenProcess>& seen, std::int32_t pid) {
    for (const SeenProcess& process : seen)
        if (process.record.th32ProcessID == pid)
            return &process;
    return nullptr;
}
