#include "ProgramEnd.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::function<void(int)>& hook() {
    static std::function<void(int)> installed;
    return installed;
}
} // namespace

void EndProgram(int exitCode) {
    if (hook()) {
        hook()(exitCode);
        return;
    }
    std::fflush(nullptr);
    std::_Exit(exitCode);
}

void setEndProgramHook(std::function<void(int)> hook_) {
    hook() = std::move(hook_);
}
