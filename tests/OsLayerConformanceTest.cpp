#include "OsLayerConformance.h"
#include "ChildProcess.h"
#include "FakeOsLayer.h"
#include "app/linux/LinuxOsLayer.h"

#include <QTest>
#include <algorithm>
#include <sys/wait.h>

namespace {

class FakeSubject {
public:
    FakeSubject() { fake_.processes.push_back({kTarget, "korvanta-target", 2, 0, fake_.now - 1}); }
    OsLayer& layer() { return fake_; }
    std::int32_t targetId() const { return kTarget; }
    bool targetEnded() const {
        return std::none_of(fake_.processes.begin(), fake_.processes.end(),
                            [](const FakeOsLayer::Process& p) { return p.pid == kTarget; });
    }
    static std::string startableLine() { return "notepad"; }

private:
    static constexpr std::int32_t kTarget = 4242;
    FakeOsLayer fake_;
};

class LinuxSubject {
public:
    OsLayer& layer() { return layer_; }
    std::int32_t targetId() const { return target_.pid(); }
    // Ended, and left for the child's owner to reap.
    bool targetEnded() const {
        return QTest::qWaitFor(
            [&] {
                siginfo_t info{};
                return ::waitid(P_PID, static_cast<id_t>(target_.pid()), &info,
                                WEXITED | WNOHANG | WNOWAIT) == 0 &&
                       info.si_pid == target_.pid();
            },
            5000);
    }
    static std::string startableLine() { return "true"; }

private:
    ChildProcess target_{1, "korvanta-target"};
    LinuxOsLayer layer_;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, OsLayerConformance, FakeSubject);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, OsLayerConformance, LinuxSubject);
