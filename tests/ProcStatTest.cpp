#include "app/linux/ProcStat.h"
#include "app/basDeclares.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

using namespace std::string_view_literals;

TEST(ProcStat, NameRunsToTheLastClosingParenthesis) {
    ProcStat stat;
    ASSERT_TRUE(parseProcStat(
        "1234 (a) b (c) d long) R 1 1233 1234 0 -1 0 0 0 0 0 5 6 0 0 20 -5 7 0 99 0 0\n", stat));
    EXPECT_EQ(stat.comm, "a) b (c) d long");
    EXPECT_EQ(stat.state, 'R');
    EXPECT_EQ(stat.ppid, 1);
    EXPECT_EQ(stat.session, 1234);
    EXPECT_EQ(stat.userTime, 5u);
    EXPECT_EQ(stat.kernelTime, 6u);
    EXPECT_EQ(stat.nice, -5);
    EXPECT_EQ(stat.threads, 7);
    EXPECT_EQ(stat.startTime, 99u);
}

TEST(ProcStat, OddNamesAndBrokenLines) {
    ProcStat stat;
    ASSERT_TRUE(parseProcStat("5 () S 2 0 0 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 1\n", stat));
    EXPECT_EQ(stat.comm, "");
    ASSERT_TRUE(parseProcStat("6 (new\nline) S 2 0 0 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 1", stat));
    EXPECT_EQ(stat.comm, "new\nline");
    EXPECT_FALSE(parseProcStat("", stat));
    EXPECT_FALSE(parseProcStat("7 (no close S 1", stat));
    EXPECT_FALSE(parseProcStat("8 )x( S 1", stat));
    EXPECT_FALSE(parseProcStat("9 (cut) S 1 2 3", stat)) << "no thread count";
    EXPECT_FALSE(parseProcStat("9 (bad) S 1 2 x 4 5 6 7 8 9 10 11 12 13 14 15 16 17", stat));
}

TEST(ProcStat, FullNameComesFromTheCommandLineWordThatStartsWithTheShortName) {
    EXPECT_EQ(exeNameFromCmdline("a) b (c) d long", "/tmp/x/a) b (c) d long-named-proc\0arg\0"sv),
              "a) b (c) d long-named-proc");
    // A script: the interpreter comes first, the script's own name after it.
    EXPECT_EQ(
        exeNameFromCmdline("long-script-nam", "/usr/bin/python3\0/opt/long-script-name.py\0"sv),
        "long-script-name.py");
    // A program that rewrote its command line keeps its short name.
    EXPECT_EQ(exeNameFromCmdline("kworker-like-xx", "sshd: user@pts/0\0"sv), "");
    EXPECT_EQ(exeNameFromCmdline("kthreadd-longer", ""sv), "");
    EXPECT_EQ(exeNameFromCmdline("", "x\0"sv), "");
}

TEST(WidenExeFile, DecodesTheNameAndKeepsTheBytesAfterItsNul) {
    char ansi[260] = {};
    std::strcpy(ansi, "caf\xC3\xA9");
    std::strcpy(ansi + 6, "tail");
    char16_t wide[260];
    basDeclares::WidenExeFile(ansi, wide);
    EXPECT_EQ(std::u16string(wide, 4), u"café");
    EXPECT_EQ(wide[4], u'\0');
    // The decoded name is one unit shorter than its bytes; the tail follows byte for byte.
    EXPECT_EQ(std::u16string(wide + 5, 4), u"tail");
    EXPECT_EQ(wide[259], u'\0');
}

TEST(WidenExeFile, InvalidBytesBecomeReplacementCharactersAndNothingOverflows) {
    char ansi[260];
    std::memset(ansi, '\xFF', sizeof ansi); // no NUL at all
    char16_t wide[260];
    basDeclares::WidenExeFile(ansi, wide);
    for (char16_t unit : wide)
        EXPECT_EQ(unit, u'\uFFFD');

    std::memset(ansi, 0, sizeof ansi);
    std::memcpy(ansi,
                "\xF0\x9F\x98\x80"
                "x\xE2\x82",
                7); // an emoji, then a cut sequence
    basDeclares::WidenExeFile(ansi, wide);
    EXPECT_EQ(std::u16string(wide, 5), u"\U0001F600x\uFFFD\uFFFD"sv);
    EXPECT_EQ(wide[5], u'\0');
}

TEST(ProcStat, ALineReadForTheLayoutOfCutNamesOnlyHasEverythingElse) {
    const std::string_view line =
        "20 (name) S 1 20 20 0 -1 4194304 9 0 0 0 3 4 0 0 20 0 2 0 705961 3133440 410 "
        "18446744073709551615 1000 2000 3000 0 0 0 0 0 0 0 0 0 17 0 0 2 0 0 0 4000 5000 6000 "
        "7000 8000 9000 9900 0\n";
    ProcStat whole;
    ASSERT_TRUE(parseProcStat(line, whole));
    EXPECT_EQ(whole.policy, 2);
    EXPECT_EQ(whole.layout.startCode, 1000u);
    EXPECT_EQ(whole.layout.argStart, 7000u);
    EXPECT_EQ(whole.layout.envEnd, 9900u);
    ProcStat head;
    ASSERT_TRUE(parseProcStat(line, head, StatFields::LayoutOfCutNames));
    EXPECT_EQ(head.policy, 2);
    EXPECT_EQ(head.threads, 2);
    EXPECT_EQ(head.startTime, 705961u);
    EXPECT_EQ(head.flags, 4194304u);
    EXPECT_EQ(head.layout, ProgramLayout{}) << "a name too short to have been cut";
    // A name of 15 bytes may have been cut: its layout is read.
    std::string cut(line);
    cut.replace(cut.find("(name)"), 6, "(fifteen-bytes-x)");
    ProcStat mayBeCut;
    ASSERT_TRUE(parseProcStat(cut, mayBeCut, StatFields::LayoutOfCutNames));
    EXPECT_EQ(mayBeCut.policy, 2);
    EXPECT_EQ(mayBeCut.layout, whole.layout);
    // A line that ends before the scheduling policy, as an old kernel's does.
    const std::string_view old = "20 (name) S 1 20 20 0 -1 0 9 0 0 0 3 4 0 0 20 0 2 0 7 31 4\n";
    ASSERT_TRUE(parseProcStat(old, head, StatFields::LayoutOfCutNames));
    EXPECT_EQ(head.startTime, 7u);
    EXPECT_EQ(head.policy, 0);
}
