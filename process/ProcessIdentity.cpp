#include "ProcessIdentity.h"

UniqueHandle ProcessIdentity::Open(std::int32_t desiredAccess) const {
    return checked(UniqueHandle(basDeclares::OpenProcess(desiredAccess, 0, processId)));
}

ProcessIdentity::Opening ProcessIdentity::TryOpen(std::int32_t desiredAccess) const {
    UniqueHandle process(basDeclares::OpenProcess(desiredAccess, 0, processId));
    if (process)
        return {checked(std::move(process)), false};
    if (basDeclares::GetLastError() != basDeclares::ERROR_ACCESS_DENIED)
        return {}; // no such process: the row's has ended
    // The id names a process this user may not open so; whether it is the row's process
    // or a newer one, its creation tells, which anyone may read.
    return {{}, static_cast<bool>(Open(basDeclares::PROCESS_QUERY_LIMITED_INFORMATION))};
}

UniqueHandle ProcessIdentity::checked(UniqueHandle process) const {
    if (!process)
        return {};
    basDeclares::FILETIME created{}, exited{}, kernel{}, user{};
    if (basDeclares::GetProcessTimes(process.get(), created, exited, kernel, user) == 0)
        return {};
    if (basDeclares::FileTimeValue(created) >= snapshotTime)
        return {};
    return process;
}
