// Process names are text the program does not control: any bytes but '/' and NUL, up to
// 255 bytes as a file name and longer as a command-line word. The list shows each whole
// or cut to fit, never mixed with another's and never garbled beyond the undecodable
// bytes themselves.
#include "ChildProcess.h"
#include "SnapshotWalk.h"
#include "app/linux/LinuxOsLayer.h"
#include "main_window/main_window.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

QString shownName(const frmMain& window, pid_t pid) {
    const ProcessListModel& rows = window.lstProcess->ListItems();
    for (int position = 1; position <= rows.Count(); ++position)
        if (rows.Text(position) == QString::number(pid))
            return rows.Text(position, 1);
    return QStringLiteral("<not listed>");
}

} // namespace

TEST(ProcessNameLimits, AwkwardNamesShowWholeInTheList) {
    ChildProcess bytes(1, "bytes-\xff\xfe-end");
    ChildProcess accented(1, "caf\xc3\xa9-\xe2\x82\xac");
    ChildProcess newline(1, "new\nline");
    ChildProcess parentheses(1, ") (x)) y (");
    ChildProcess longest(1, std::string(255, 'w'));
    frmMain window;
    window.Load();
    // Each byte that is no part of a UTF-8 character shows as one replacement character.
    EXPECT_EQ(shownName(window, bytes.pid()), QString::fromUtf16(u"bytes-\uFFFD\uFFFD-end"));
    EXPECT_EQ(shownName(window, accented.pid()), QString::fromUtf16(u"café-€"));
    EXPECT_EQ(shownName(window, newline.pid()), QStringLiteral("new\nline"));
    EXPECT_EQ(shownName(window, parentheses.pid()), QStringLiteral(") (x)) y ("));
    EXPECT_EQ(shownName(window, longest.pid()), QString(255, QLatin1Char('w')));
}

TEST(ProcessNameLimits, ACommandLineNameLongerThanTheRecordIsCutTo259Bytes) {
    char pattern[] = "/tmp/korvanta-proc-XXXXXX";
    const fs::path root = ::mkdtemp(pattern);
    fs::create_directories(root / "30");
    std::ofstream(root / "30" / "stat")
        << "30 (fifteen-bytes-x) S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 100 0 0\n";
    // A word far longer than the read buffer, with no NUL to end it.
    std::ofstream(root / "30" / "cmdline") << "/opt/fifteen-bytes-x" << std::string(10000, 'y');
    LinuxOsLayer os(root.string());
    const std::vector<SeenProcess> seen = walkSnapshot(os);
    fs::remove_all(root);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].name, "fifteen-bytes-x" + std::string(259 - 15, 'y'));
}
