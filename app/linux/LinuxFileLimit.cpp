#include "LinuxFileLimit.h"

namespace {

rlimit g_original{};
bool g_raised = false;
bool g_known = false; // the limit could be read

} // namespace

void LinuxFileLimit::raise() {
    if (g_raised)
        return;
    g_raised = true;
    if (::getrlimit(RLIMIT_NOFILE, &g_original) != 0)
        return;
    g_known = true;
    if (g_original.rlim_cur < g_original.rlim_max) {
        rlimit raised = g_original;
        raised.rlim_cur = raised.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &raised);
    }
}

rlim_t LinuxFileLimit::original() {
    raise();
    return g_original.rlim_cur;
}

rlim_t LinuxFileLimit::current() {
    rlimit now{};
    return ::getrlimit(RLIMIT_NOFILE, &now) == 0 ? now.rlim_cur : original();
}

LinuxFileLimit::Started::Started() {
    if (!g_known || ::getrlimit(RLIMIT_NOFILE, &now_) != 0 || now_.rlim_cur == original())
        return;
    rlimit started = now_;
    started.rlim_cur = original();
    lowered_ = ::setrlimit(RLIMIT_NOFILE, &started) == 0;
}

LinuxFileLimit::Started::~Started() {
    if (lowered_)
        ::setrlimit(RLIMIT_NOFILE, &now_);
}
