#include "ProcessIdentity.h"

UniqueHandle ProcessIdentity::Open(std::int32_t desiredAccess) const {
    UniqueHandle process(basDeclares::OpenProcess(desiredAccess, 0, processId));
    if (!process)
        return {};
    basDeclares::FILETIME created{}, exited{}, kernel{}, user{};
    if (basDeclares::GetProcessTimes(process.get(), created, exited, kernel, user) == 0)
        return {};
    if (basDeclares::FileTimeValue(created) >= snapshotTime)
        return {};
    return process;
}
