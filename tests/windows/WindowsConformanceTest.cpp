#include "WindowsChildProcess.h"
#include "WindowsProbe.h"

#include "app/windows/WindowsOsLayer.h"
#include "tests/OsLayerConformance.h"

namespace {

class WindowsSubject {
public:
    OsLayer& layer() { return layer_; }
    std::int32_t targetId() const { return target_.pid(); }
    bool targetEnded() {
        std::uint32_t exitCode = 0;
        return target_.waitForEnd(WindowsProbe::kTimeoutMs, exitCode);
    }
    static std::string startableLine() { return "cmd /c exit 0"; }
    // No one may end the System process, 4. Wine has none, and opens every process to
    // anyone: it cannot show a denial.
    static std::optional<std::int32_t> deniedId() {
        if (WindowsProbe::underWine())
            return std::nullopt;
        return 4;
    }

private:
    WindowsChildProcess target_{1, "korvanta_conformance_target.exe"};
    WindowsOsLayer layer_;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Windows, OsLayerConformance, WindowsSubject);
