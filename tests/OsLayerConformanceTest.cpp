#include "OsLayerConformance.h"
#include "ChildProcess.h"
#include "FakeOsLayer.h"
#include "app/linux/LinuxOsLayer.h"

#include <QTest>
#include <algorithm>
#include <filesystem>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class FakeSubject {
public:
    FakeSubject() {
        fake_.processes.push_back({kTarget, "korvanta-target", 2, 0, fake_.now - 1});
        fake_.processes.push_back({kDenied, "another user's", 1, 0, fake_.now - 1, false});
    }
    OsLayer& layer() { return fake_; }
    std::int32_t targetId() const { return kTarget; }
    bool targetEnded() const {
        return std::none_of(fake_.processes.begin(), fake_.processes.end(),
                            [](const FakeOsLayer::Process& p) { return p.pid == kTarget; });
    }
    static std::string startableLine() { return "notepad"; }
    std::optional<std::int32_t> deniedId() const { return kDenied; }

private:
    static constexpr std::int32_t kTarget = 4242;
    static constexpr std::int32_t kDenied = 612;
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
    // Root may end any process; any other user may not end one of another's.
    static std::optional<std::int32_t> deniedId() {
        if (::geteuid() == 0)
            return std::nullopt;
        for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
            struct stat owner {};
            const std::string name = entry.path().filename();
            if (name.find_first_not_of("0123456789") == std::string::npos &&
                ::stat(entry.path().c_str(), &owner) == 0 && owner.st_uid != ::geteuid())
                return std::stoi(name);
        }
        return std::nullopt;
    }

private:
    ChildProcess target_{1, "korvanta-target"};
    LinuxOsLayer layer_;
};

} // namespace

INSTANTIATE_TYPED_TEST_SUITE_P(Fake, OsLayerConformance, FakeSubject);
INSTANTIATE_TYPED_TEST_SUITE_P(Linux, OsLayerConformance, LinuxSubject);
