#include "app/ProgramEnd.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

// Ending the program would end the runner: during a test it fails the test instead,
// unless the test put its own ending in place.
class Guards : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        setEndProgramHook([](int code) {
            ADD_FAILURE() << "the program would have ended with exit code " << code;
        });
    }
};

} // namespace

int main(int argc, char* argv[]) {
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new Guards);
    const int result = RUN_ALL_TESTS();
    const testing::UnitTest& run = *testing::UnitTest::GetInstance();
    std::printf("%d passed, %d failed\n", run.successful_test_count(), run.failed_test_count());
    return result;
}
