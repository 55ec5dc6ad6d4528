#include "RunningExeName.h"

#include "app/basDeclares.h"

#include <string_view>

std::optional<std::u16string> runningExeName(std::int32_t processId) {
    using namespace basDeclares;
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE || snapshot == 0)
        return std::nullopt;

    std::optional<std::u16string> name;
    PROCESSENTRY32 record{};
    record.dwSize = sizeof record;
    for (auto more = Process32First(snapshot, record); more;
         more = Process32Next(snapshot, record)) {
        if (record.th32ProcessID != processId)
            continue;
        char16_t wide[MAX_PATH];
        WidenExeFile(record.szExeFile, wide);
        const std::u16string_view whole(wide, MAX_PATH);
        name = std::u16string(whole.substr(0, whole.find(u'\0')));
        break;
    }
    CloseHandle(snapshot);
    return name;
}
