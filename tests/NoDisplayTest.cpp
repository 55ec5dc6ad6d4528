#include "LogCapture.h"
#include "app/DisplayOpening.h"

#include <QProcess>
#include <gtest/gtest.h>

// The program itself, started without a display: one line says so and how to choose
// one, and it ends with exit code 1 rather than Qt's abort.
TEST(NoDisplay, TheProgramSaysSoInOneLineAndEndsWithExitCode1) {
    const char* environments[][2] = {{nullptr, nullptr},
                                     {"DISPLAY", ":7311"}, // no server there
                                     {"QT_QPA_PLATFORM", "xcb"},
                                     {"QT_QPA_PLATFORM", "wayland"}};
    for (const auto& [name, value] : environments) {
        QProcessEnvironment environment;
        if (name)
            environment.insert(QString::fromLatin1(name), QString::fromLatin1(value));
        QProcess program;
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BUILD_DIRECTORY "/KorvantaTaskList"), {});
        const bool finished = program.waitForFinished(30000);
        if (!finished) {
            program.kill();
            program.waitForFinished(5000);
        }
        const std::string where = name ? std::string(name) + "=" + value : "nothing set";
        ASSERT_TRUE(finished) << where;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << where;
        EXPECT_EQ(program.exitCode(), 1) << where;
        const QString error = QString::fromLocal8Bit(program.readAllStandardError());
        EXPECT_EQ(error.count(QLatin1Char('\n')), 1) << where << ": " << error.toStdString();
        EXPECT_TRUE(error.endsWith(QLatin1Char('\n'))) << where;
        for (const char* words : {"no display could be opened", "DISPLAY", "QT_QPA_PLATFORM"})
            EXPECT_TRUE(error.contains(QLatin1String(words))) << where << ": " << words;
        EXPECT_TRUE(program.readAllStandardOutput().isEmpty()) << where;
    }
}

// What Qt says while a display does open is only held back, then passed on in order.
TEST(NoDisplay, MessagesWhileTheDisplayOpensArePassedOnOnceItIsOpen) {
    LogCapture log;
    {
        DisplayOpening opening;
        qWarning("first");
        qInfo("second");
        EXPECT_TRUE(log.messages().isEmpty());
        opening.opened();
        EXPECT_EQ(log.messages(), QStringList({"default: first", "default: second"}));
        qWarning("after");
    }
    EXPECT_EQ(log.messages().size(), 3);
}
