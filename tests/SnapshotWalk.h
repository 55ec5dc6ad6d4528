#pragma once

#include "app/OsLayer.h"

#include <string>
#include <vector>

// One process as a snapshot gave it.
struct SeenProcess {
    basDeclares::PROCESSENTRY32 record;
    std::string name;
};

// Every record of one snapshot of os, walked as the program walks it; none when no
// snapshot could be taken. The snapshot is closed again.
std::vector<SeenProcess> walkSnapshot(OsLayer& os);
// The record of the process with this id, or nullptr.
const SeenProcess* findProcess(const std::vector<SeenProcess>& seen, std::int32_t pid);
