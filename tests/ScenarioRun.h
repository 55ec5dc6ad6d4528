#pragma once

#include <QProcess>
#include <QStringList>
#include <csignal>
#include <gtest/gtest.h>
#include <unistd.h>

// Runs a scenario program of tests/helpers/, which prints one line per check, "ok: ..." or
// "FAIL: ...", and exits 0 when every check held, 77 where it cannot run here: the calling
// test passes, fails with those lines, or is skipped.
inline void expectScenarioHolds(const QString& program, const QStringList& arguments) {
    QProcess scenario;
    scenario.setProcessChannelMode(QProcess::MergedChannels);
    // A group of its own, so that whatever it started goes with it, whatever happens.
    scenario.setChildProcessModifier([] { ::setsid(); });
    scenario.start(program, arguments);
    ASSERT_TRUE(scenario.waitForStarted()) << program.toStdString();
    const bool finished = scenario.waitForFinished(45000);
    if (!finished) {
        ::kill(-static_cast<pid_t>(scenario.processId()), SIGKILL);
        scenario.waitForFinished();
    }
    const std::string output = scenario.readAll().toStdString();
    ASSERT_TRUE(finished) << "the scenario did not end:\n" << output;
    if (scenario.exitStatus() == QProcess::NormalExit && scenario.exitCode() == 77)
        GTEST_SKIP() << output;
    EXPECT_EQ(scenario.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(scenario.exitCode(), 0) << output;
}
