#include "LinuxOsLayer.h"

bool LinuxOsLayer::StartCommandLine(const std::string&, std::int32_t) {
    return false;
}
