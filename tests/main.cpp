#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "chrome/Accessibility.h"
#include "chrome/MsgBox.h"

#include <QApplication>
#include <QStyleFactory>
#include <gtest/gtest.h>

namespace {

// Between tests nothing may block on a real message box or end the runner: both fail
// the test instead, unless the test put its own handler in place. Every test starts
// without any of the program's shared windows, whatever the tests before it left open.
class Guards : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override {
        Forms::Reset();
        setMsgBoxHandler([](const MsgBoxRequest& request) {
            ADD_FAILURE() << "unexpected message box: " << request.prompt.toStdString();
            return vbOK;
        });
        setEndProgramHook([](int code) {
            ADD_FAILURE() << "the program would have ended with exit code " << code;
        });
    }
};

} // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KorvantaTaskList"));
    Accessibility::install();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    testing::UnitTest::GetInstance()->listeners().Append(new Guards);
    return RUN_ALL_TESTS();
}
