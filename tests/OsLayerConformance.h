#pragma once

// What every operating-system layer must give (OsLayer.h), as typed tests that each test
// program instantiates once for each layer it holds to it:
//     INSTANTIATE_TYPED_TEST_SUITE_P(Linux, OsLayerConformance, LinuxSubject);
// A subject owns a layer and a running process of that layer's table, its target:
//     OsLayer& layer();
//     std::int32_t targetId() const;
//     bool targetEnded();                   // waits a while for the target's end
//     static std::string startableLine();   // a command line the layer would start
//     std::optional<std::int32_t> deniedId(); // a process this user may not end, where
//                                            // the test can find one
// Include this header in one file of a test program only.

#include "app/OsLayer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>

template <typename Subject> class OsLayerConformance : public testing::Test {
protected:
    using HANDLE = OsLayer::HANDLE;
    using PROCESSENTRY32 = basDeclares::PROCESSENTRY32;
    using FILETIME = basDeclares::FILETIME;

    static constexpr std::int32_t kRecordSize = sizeof(PROCESSENTRY32);
    static constexpr unsigned char kMark = 0x5A;

    // A record whose every byte but the size is kMark, to see what a call wrote.
    static PROCESSENTRY32 markedRecord(std::int32_t size) {
        PROCESSENTRY32 record;
        std::memset(&record, kMark, sizeof record);
        record.dwSize = size;
        return record;
    }
    static bool unchanged(const PROCESSENTRY32& record, const PROCESSENTRY32& before) {
        return std::memcmp(&record, &before, sizeof record) == 0;
    }
    static bool marked(std::int32_t field) {
        std::int32_t mark;
        std::memset(&mark, kMark, sizeof mark);
        return field == mark;
    }

    HANDLE snapshot() {
        const HANDLE handle = os.CreateToolhelp32Snapshot(basDeclares::TH32CS_SNAPPROCESS, 0);
        EXPECT_NE(handle, 0);
        EXPECT_NE(handle, basDeclares::INVALID_HANDLE_VALUE);
        return handle;
    }

    Subject subject;
    OsLayer& os = subject.layer();
};

TYPED_TEST_SUITE_P(OsLayerConformance);

TYPED_TEST_P(OsLayerConformance, ASnapshotListsTheTargetWithEveryFieldWritten) {
    OsLayer& os = this->os;
    const auto snapshot = this->snapshot();
    auto record = this->markedRecord(this->kRecordSize);
    ASSERT_EQ(os.Process32First(snapshot, record), 1);
    const char* nul =
        static_cast<const char*>(std::memchr(record.szExeFile, 0, sizeof record.szExeFile));
    ASSERT_NE(nul, nullptr);
    if (nul + 1 < std::end(record.szExeFile)) {
        EXPECT_EQ(static_cast<unsigned char>(nul[1]), this->kMark)
            << "the bytes after the name's NUL keep what they held";
    }

    bool found = false;
    do {
        EXPECT_EQ(record.dwSize, this->kRecordSize);
        if (record.th32ProcessID != this->subject.targetId())
            continue;
        found = true;
        for (const std::int32_t field :
             {record.cntUsage, record.th32DefaultHeapID, record.th32ModuleID, record.cntThreads,
              record.th32ParentProcessID, record.pcPriClassBase, record.dwFlags})
            EXPECT_FALSE(this->marked(field)) << "a field was left as it was";
        EXPECT_GT(record.cntThreads, 0);
        EXPECT_NE(record.szExeFile[0], '\0');
    } while (os.Process32Next(snapshot, record) == 1);
    EXPECT_TRUE(found) << "the target is not in the snapshot";
    EXPECT_EQ(os.Process32Next(snapshot, record), 0) << "the end stays the end";
    EXPECT_EQ(os.CloseHandle(snapshot), 1);
    EXPECT_EQ(os.CloseHandle(snapshot), 0) << "a handle closes once";
}

TYPED_TEST_P(OsLayerConformance, ARecordOfAnotherSizeIsRefusedAndLeftAsItWas) {
    OsLayer& os = this->os;
    const auto snapshot = this->snapshot();
    for (const std::int32_t size : {0, this->kRecordSize - 1, this->kRecordSize + 8}) {
        auto record = this->markedRecord(size);
        const auto before = record;
        EXPECT_EQ(os.Process32First(snapshot, record), 0) << size << " bytes";
        EXPECT_EQ(os.Process32Next(snapshot, record), 0) << size << " bytes";
        EXPECT_TRUE(this->unchanged(record, before)) << size << " bytes";
    }
    auto record = this->markedRecord(this->kRecordSize);
    EXPECT_EQ(os.Process32First(snapshot, record), 1);
    EXPECT_EQ(os.CloseHandle(snapshot), 1);
}

TYPED_TEST_P(OsLayerConformance, AHandleThatIsNotOpenOrOfAnotherKindGivesNothing) {
    OsLayer& os = this->os;
    const auto closed = this->snapshot();
    ASSERT_EQ(os.CloseHandle(closed), 1);
    for (const OsLayer::HANDLE handle : {OsLayer::HANDLE{0}, closed}) {
        auto record = this->markedRecord(this->kRecordSize);
        const auto before = record;
        EXPECT_EQ(os.Process32First(handle, record), 0);
        EXPECT_EQ(os.Process32Next(handle, record), 0);
        EXPECT_TRUE(this->unchanged(record, before));
        EXPECT_EQ(os.TerminateProcess(handle, 0), 0);
        EXPECT_EQ(os.CloseHandle(handle), 0);
    }
    // A snapshot is no process.
    const auto snapshot = this->snapshot();
    const basDeclares::FILETIME mark{0x5A5A5A5A, 0x5A5A5A5A};
    basDeclares::FILETIME times[4] = {mark, mark, mark, mark};
    for (const OsLayer::HANDLE handle : {OsLayer::HANDLE{0}, closed, snapshot})
        EXPECT_EQ(os.GetProcessTimes(handle, times[0], times[1], times[2], times[3]), 0);
    for (const basDeclares::FILETIME& time : times)
        EXPECT_EQ(basDeclares::FileTimeValue(time), basDeclares::FileTimeValue(mark));
    EXPECT_EQ(os.TerminateProcess(snapshot, 0), 0);
    EXPECT_EQ(os.CloseHandle(snapshot), 1);
}

TYPED_TEST_P(OsLayerConformance, IdZeroAndAnIdThatNoProcessHasGiveNoHandle) {
    for (const std::int32_t id : {0, 0x7FFFFFFC}) {
        EXPECT_EQ(this->os.OpenProcess(basDeclares::PROCESS_ALL_ACCESS, 0, id), 0) << id;
        EXPECT_EQ(this->os.GetLastError(), basDeclares::ERROR_INVALID_PARAMETER) << id;
    }
}

TYPED_TEST_P(OsLayerConformance, AProcessThisUserMayNotEndIsDeniedYetItsCreationCanBeRead) {
    const std::optional<std::int32_t> id = this->subject.deniedId();
    if (!id)
        GTEST_SKIP() << "no process here that this user may not end";
    OsLayer& os = this->os;
    EXPECT_EQ(os.OpenProcess(basDeclares::PROCESS_ALL_ACCESS, 0, *id), 0);
    EXPECT_EQ(os.GetLastError(), basDeclares::ERROR_ACCESS_DENIED);
    const auto process = os.OpenProcess(basDeclares::PROCESS_QUERY_LIMITED_INFORMATION, 0, *id);
    ASSERT_NE(process, 0);
    basDeclares::FILETIME created{}, exited{}, kernel{}, user{};
    EXPECT_NE(os.GetProcessTimes(process, created, exited, kernel, user), 0);
    EXPECT_EQ(os.CloseHandle(process), 1);
}

TYPED_TEST_P(OsLayerConformance, AProcessHandleReadsTheCreationBeforeNowAndEndsTheProcess) {
    OsLayer& os = this->os;
    basDeclares::FILETIME before{};
    os.GetSystemTimeAsFileTime(before);
    const auto process =
        os.OpenProcess(basDeclares::PROCESS_ALL_ACCESS, 0, this->subject.targetId());
    ASSERT_NE(process, 0);
    basDeclares::FILETIME created{}, exited{}, kernel{}, user{};
    ASSERT_NE(os.GetProcessTimes(process, created, exited, kernel, user), 0);
    EXPECT_GT(basDeclares::FileTimeValue(created), 0u);
    EXPECT_LE(basDeclares::FileTimeValue(created), basDeclares::FileTimeValue(before));
    EXPECT_NE(os.TerminateProcess(process, 0), 0);
    EXPECT_EQ(os.CloseHandle(process), 1);
    EXPECT_TRUE(this->subject.targetEnded());
    basDeclares::FILETIME after{};
    os.GetSystemTimeAsFileTime(after);
    EXPECT_GE(basDeclares::FileTimeValue(after), basDeclares::FileTimeValue(before));
}

TYPED_TEST_P(OsLayerConformance, AnEmptyLineAndOneHoldingANulStartNothing) {
    const std::string cut = TypeParam::startableLine() + std::string(1, '\0') + " and more";
    EXPECT_FALSE(this->os.StartCommandLine("", basDeclares::SW_SHOWNORMAL));
    EXPECT_FALSE(this->os.StartCommandLine(cut, basDeclares::SW_SHOWNORMAL));
}

REGISTER_TYPED_TEST_SUITE_P(OsLayerConformance, ASnapshotListsTheTargetWithEveryFieldWritten,
                            ARecordOfAnotherSizeIsRefusedAndLeftAsItWas,
                            AHandleThatIsNotOpenOrOfAnotherKindGivesNothing,
                            IdZeroAndAnIdThatNoProcessHasGiveNoHandle,
                            AProcessThisUserMayNotEndIsDeniedYetItsCreationCanBeRead,
                            AProcessHandleReadsTheCreationBeforeNowAndEndsTheProcess,
                            AnEmptyLineAndOneHoldingANulStartNothing);
