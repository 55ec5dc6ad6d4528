// The program in a pid and mount namespace of its own (tests/helpers/pid_namespace_scenario),
// where /proc can be mounted hidepid=2, ids handed out at will, the program run as an
// ordinary user beside root's processes, and a /proc read that is not of the program's own
// namespace. Making one needs root.
#include "ScenarioRun.h"

#include <gtest/gtest.h>

namespace {

class PidNamespace : public testing::TestWithParam<const char*> {};

} // namespace

TEST_P(PidNamespace, Scenario) {
    expectScenarioHolds(QStringLiteral(PID_NAMESPACE_SCENARIO), {QString::fromLatin1(GetParam())});
}

INSTANTIATE_TEST_SUITE_P(Scenarios, PidNamespace,
                         testing::Values("hidepid", "reuse", "other-user", "outer-proc",
                                         "reap-as-init", "reap-as-subreaper", "descriptors"),
                         [](const testing::TestParamInfo<const char*>& info) {
                             std::string name = info.param;
                             std::erase(name, '-');
                             return name;
                         });
