#include "process/clsActiveProcess.h"
#include "FakeOsLayer.h"
#include "StoreBound.h"
#include "app/RuntimeError.h"

#include <gtest/gtest.h>

namespace {

int errorNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const RuntimeError& error) {
        return error.number();
    }
    return 0;
}

std::u16string bareName(std::u16string_view stored) {
    return std::u16string(stored.substr(0, stored.find(u'\0')));
}

} // namespace

TEST(clsActiveProcess, StoreBoundsFollowTheCountInStepsOfTwenty) {
    FakeOsLayer os;
    clsActiveProcess snapshot;
    const std::pair<int, int> cases[] = {{0, 20}, {1, 20}, {19, 20}, {20, 40}, {39, 40}, {40, 60}};
    for (const auto& [count, bound] : cases) {
        os.setProcessCount(count);
        EXPECT_EQ(snapshot.GetActiveProcess(), count);
        EXPECT_EQ(upperBoundOf(snapshot), bound) << count << " processes";
        EXPECT_NO_THROW(snapshot.dwSize(bound));
        EXPECT_EQ(errorNumber([&] { snapshot.dwSize(bound + 1); }), 9);
        EXPECT_EQ(errorNumber([&] { snapshot.dwSize(-1); }), 9);
    }
    EXPECT_EQ(os.openHandles(), 0);
}

TEST(clsActiveProcess, RecordsComeInTheSystemsOrderWithRecordZeroAllZero) {
    FakeOsLayer os;
    os.processes = {{4, "System", 90, 3}, {1200, "explorer.exe", 30, 0}, {7, "a", 1, 0}};
    clsActiveProcess snapshot;
    ASSERT_EQ(snapshot.GetActiveProcess(), 3);
    EXPECT_EQ(snapshot.th32ProcessID(1), 4);
    EXPECT_EQ(snapshot.cntThreads(1), 90);
    EXPECT_EQ(snapshot.cntUsage(1), 3);
    EXPECT_EQ(snapshot.th32ProcessID(2), 1200);
    EXPECT_EQ(bareName(snapshot.szExeFile(2)), u"explorer.exe");
    EXPECT_EQ(snapshot.th32ProcessID(3), 7);
    for (int index = 1; index <= 3; ++index)
        EXPECT_EQ(snapshot.dwSize(index), 296);
    EXPECT_EQ(snapshot.th32ParentProcessID(1), 1);
    EXPECT_EQ(snapshot.pcPriClassBase(1), 8);

    EXPECT_EQ(snapshot.th32ProcessID(0), 0);
    EXPECT_EQ(snapshot.cntThreads(0), 0);
    EXPECT_EQ(snapshot.dwSize(0), 0);
    EXPECT_EQ(snapshot.dwFlags(0), 0);
    EXPECT_EQ(snapshot.thModuleID(0), 0);
    EXPECT_EQ(snapshot.th32DefaultHeapID(0), 0);
    EXPECT_EQ(std::u16string(snapshot.szExeFile(0)), std::u16string(260, u'\0'));
}

TEST(clsActiveProcess, AShorterNameKeepsTheTailOfTheLongerOneBeforeIt) {
    FakeOsLayer os;
    os.processes = {{10, "averylongname.exe"}, {11, "ab"}};
    clsActiveProcess snapshot;
    ASSERT_EQ(snapshot.GetActiveProcess(), 2);
    const std::u16string stored(snapshot.szExeFile(2));
    EXPECT_EQ(stored.size(), 260u);
    EXPECT_EQ(bareName(stored), u"ab");
    // "ab", NUL, then what the working record still held after "ave".
    EXPECT_EQ(stored.substr(3, 14), u"rylongname.exe");
}

// Each snapshot starts from a working record of NULs, whatever its records held before.
TEST(clsActiveProcess, ARecordKeepsNothingOfTheNameItHeldInTheSnapshotBefore) {
    FakeOsLayer os;
    os.processes = {{10, "a"}, {11, "averylongname.exe"}, {12, "b"}};
    clsActiveProcess snapshot;
    ASSERT_EQ(snapshot.GetActiveProcess(), 3);
    os.processes = {{10, "a"}, {11, "b"}, {12, "c"}};
    ASSERT_EQ(snapshot.GetActiveProcess(), 3);
    EXPECT_EQ(std::u16string(snapshot.szExeFile(2)), u"b" + std::u16string(259, u'\0'));
    EXPECT_EQ(std::u16string(snapshot.szExeFile(3)), u"c" + std::u16string(259, u'\0'));
}

TEST(clsActiveProcess, ALaterSmallerSnapshotLeavesOldOrZeroRecordsAboveItsCount) {
    FakeOsLayer os;
    clsActiveProcess snapshot;
    os.setProcessCount(50);
    ASSERT_EQ(snapshot.GetActiveProcess(), 50);

    os.processes.resize(10);
    for (auto& process : os.processes)
        process.pid += 1000;
    ASSERT_EQ(snapshot.GetActiveProcess(), 10);
    EXPECT_EQ(upperBoundOf(snapshot), 20);
    EXPECT_EQ(snapshot.th32ProcessID(10), 1109);
    EXPECT_EQ(snapshot.th32ProcessID(11), 110); // left from the first snapshot
    EXPECT_EQ(snapshot.th32ProcessID(20), 119);

    os.setProcessCount(50);
    ASSERT_EQ(snapshot.GetActiveProcess(), 50);
    os.processes.resize(30);
    ASSERT_EQ(snapshot.GetActiveProcess(), 30);
    EXPECT_EQ(upperBoundOf(snapshot), 40);
    EXPECT_EQ(snapshot.th32ProcessID(30), 129);
    EXPECT_EQ(snapshot.th32ProcessID(31), 0);
    EXPECT_EQ(snapshot.dwSize(40), 0);
}

TEST(clsActiveProcess, AFirstSnapshotThatFailsLeavesNoStore) {
    FakeOsLayer os;
    os.snapshotFails = true;
    clsActiveProcess snapshot;
    EXPECT_EQ(snapshot.GetActiveProcess(), 0);
    EXPECT_EQ(errorNumber([&] { snapshot.th32ProcessID(0); }), 9);
    EXPECT_EQ(errorNumber([&] { snapshot.szExeFile(0); }), 9);

    os.failureValue = 0; // a null handle counts as failure too
    EXPECT_EQ(snapshot.GetActiveProcess(), 0);
    EXPECT_EQ(upperBoundOf(snapshot), -1);
}

TEST(clsActiveProcess, AFailedSnapshotKeepsTheStoreOfTheLastOne) {
    FakeOsLayer os;
    os.setProcessCount(25);
    clsActiveProcess snapshot;
    ASSERT_EQ(snapshot.GetActiveProcess(), 25);
    os.snapshotFails = true;
    EXPECT_EQ(snapshot.GetActiveProcess(), 0);
    EXPECT_EQ(upperBoundOf(snapshot), 40);
    EXPECT_EQ(snapshot.th32ProcessID(25), 124);
}

TEST(clsActiveProcess, EmptyEnumerationCutsTheStoreBackToTwenty) {
    FakeOsLayer os;
    os.setProcessCount(45);
    clsActiveProcess snapshot;
    ASSERT_EQ(snapshot.GetActiveProcess(), 45);
    os.processes.clear();
    EXPECT_EQ(snapshot.GetActiveProcess(), 0);
    EXPECT_EQ(upperBoundOf(snapshot), 20);
    EXPECT_EQ(os.openHandles(), 0);
}

TEST(clsActiveProcess, MoreThan32767ProcessesOverflowAfterStoringTheFirst32767) {
    FakeOsLayer os;
    os.setProcessCount(32768);
    clsActiveProcess snapshot;
    EXPECT_EQ(errorNumber([&] { snapshot.GetActiveProcess(); }), 6);
    EXPECT_EQ(snapshot.th32ProcessID(32767), 100 + 32766);
    EXPECT_EQ(os.openHandles(), 0) << "the snapshot handle is closed on the overflow too";

    os.setProcessCount(32767);
    EXPECT_EQ(snapshot.GetActiveProcess(), 32767);
}
