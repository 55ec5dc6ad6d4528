#include "ScenarioRun.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

// Qt drops the window system's close request for a window that a modal dialog blocks, so
// the program takes it first. Offscreen no such request comes: the scenario
// (tests/helpers/close_request_scenario) runs on X11, on a display of its own.
TEST(LinuxCloseRequest, ACloseRequestOfTheWindowSystemEndsTheProgramWhateverDialogIsOpen) {
    const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
    if (xvfbRun.isEmpty())
        GTEST_SKIP() << "xvfb-run is not installed";
    expectScenarioHolds(xvfbRun, {QStringLiteral("-a"), QStringLiteral("-s"),
                                  QStringLiteral("-screen 0 1280x1024x24"),
                                  QStringLiteral(CLOSE_REQUEST_SCENARIO)});
}
