#include "FakeOsLayer.h"
#include "LogCapture.h"
#include "chrome/MsgBox.h"
#include "run_dialog/run_dialog.h"

#include <gtest/gtest.h>

namespace {

struct Row {
    const char* name;
    const char* commandLine;
};

const Row kRows[] = {
    {"ACCESSIBILITY", "control access.cpl"},
    {"ACCESSIBILITY OPTIONS", "control access.cpl"},
    {"ADD OR REMOVE", "control appwiz.cpl"},
    {"ADD OR REMOVE PROGRAM", "control appwiz.cpl"},
    {"ADD OR REMOVE PROGRAMS", "control appwiz.cpl"},
    {"APPLICATION WIZARD", "control appwiz.cpl"},
    {"APPLICATION WIZARDS", "control appwiz.cpl"},
    {"DISPLAY PROPERTIES", "control desk.cpl"},
    {"DESKTOP PROPERTIES", "control desk.cpl"},
    {"ADD HARDWARE WIZARD", "control sysdm.cpl add new hardware"},
    {"ADD HARDWARE", "control sysdm.cpl add new hardware"},
    {"NEW HARDWARE", "control sysdm.cpl add new hardware"},
    {"ADD NEW HARDWARE", "control sysdm.cpl add new hardware"},
    {"INTERNET PROPERTIES", "control inetcpl.cpl"},
    {"IE PROPERTIES", "control inetcpl.cpl"},
    {"REGIONAL AND LANGUAGE OPTIONS", "control intl.cpl"},
    {"REGIONAL AND LANGUAGE", "control intl.cpl"},
    {"REGIONAL AND LANGUAGES", "control intl.cpl"},
    {"REGIONAL AND LANGUAGES SETTINGS", "control intl.cpl"},
    {"GAME CONTROLLER", "control joy.cpl"},
    {"JOYSTICK", "control joy.cpl"},
    {"MOUSE", "control main.cpl"},
    {"MOSUE PROPERTIES", "control main.cpl"},
    {"SOUND PROPERTIES", "control mmsys.cpl sounds"},
    {"AUDIO PROPERTIES", "control mmsys.cpl sounds"},
    {"SOUND", "control mmsys.cpl sounds"},
    {"AUDIO", "control mmsys.cpl sounds"},
    {"NETWORK PROPERTIES", "control netcpl.cpl"},
    {"SYSTEM PROPERTIES", "control sysdm.cpl"},
    {"MYCOMPUTER PROPERTIES", "control sysdm.cpl"},
    {"HOME PROPERTIES", "control sysdm.cpl"},
    {"DATE AND TIME PROPERTIES", "control timedate.cpl"},
    {"DATE AND TIME", "control timedate.cpl"},
};

// "date and time" -> "Date And Time"
QString titleCase(const QString& text) {
    QString result = text.toLower();
    for (qsizetype k = 0; k < result.size(); ++k)
        if (k == 0 || result[k - 1] == u' ')
            result[k] = result[k].toUpper();
    return result;
}

struct Boxes {
    Boxes() {
        setMsgBoxHandler([this](const MsgBoxRequest& request) {
            shown.push_back(request);
            return vbOK;
        });
    }
    std::vector<MsgBoxRequest> shown;
};

} // namespace

TEST(RunCommand, EveryNameInAnyCaseStartsItsControlPanelPageMinimised) {
    for (const Row& row : kRows) {
        const QString name = QString::fromLatin1(row.name);
        for (const QString& typed : {name, name.toLower(), titleCase(name)}) {
            const RunCommand command = RunCommand::resolve(typed);
            EXPECT_EQ(command.commandLine, QString::fromLatin1(row.commandLine)) << row.name;
            EXPECT_EQ(command.windowStyle, 2) << typed.toStdString();
        }
    }
}

TEST(RunCommand, AnythingElseStartsAsTypedInANormalWindow) {
    const char* const nearMisses[] = {" SOUND",
                                      "SOUND ",
                                      "SOUND  PROPERTIES",
                                      "MOUSE PROPERTIES",
                                      "mouse properties",
                                      "MOSUE",
                                      "mosue",
                                      "control desk.cpl",
                                      "CONTROL MAIN.CPL",
                                      "NotePad",
                                      "notepad",
                                      "",
                                      "mouse\t",
                                      "MOUSES",
                                      "MOUS",
                                      "DATE AND  TIME",
                                      "ADD OR REMOVE PROGRAMSS",
                                      "NETWORK\u00a0PROPERTIES"};
    for (const char* typed : nearMisses) {
        const QString text = QString::fromUtf8(typed);
        const RunCommand command = RunCommand::resolve(text);
        EXPECT_EQ(command.commandLine, text) << typed;
        EXPECT_EQ(command.windowStyle, 1) << typed;
    }
}

TEST(RunCommand, OnlyTheLettersAToZAreUpperCased) {
    // Unicode upper-casing would turn the long s and the dotless i into S and I.
    for (const QString& typed :
         {QString::fromUtf8("mou\u017fe"), QString::fromUtf8("joy\u017ftick"),
          QString::fromUtf8("acce\u017f\u017fib\u0131lity")}) {
        EXPECT_EQ(RunCommand::resolve(typed).commandLine, typed);
        EXPECT_EQ(RunCommand::resolve(typed).windowStyle, 1);
    }
    EXPECT_EQ(RunCommand::resolve("joystick").commandLine, "control joy.cpl");
}

TEST(RunDialogRun, StartsOnceAndShowsNothingWhenTheStartWorks) {
    FakeOsLayer os;
    frmRun dialog;
    dialog.Run("Mouse");
    dialog.Run("NotePad");
    ASSERT_EQ(os.started.size(), 2u);
    EXPECT_EQ(os.started[0].commandLine, "control main.cpl");
    EXPECT_EQ(os.started[0].windowStyle, 2);
    EXPECT_EQ(os.started[1].commandLine, "NotePad");
    EXPECT_EQ(os.started[1].windowStyle, 1);
}

TEST(RunDialogRun, AFailedStartShowsOneUntitledBoxNamingTheTextAsTyped) {
    FakeOsLayer os;
    os.startSucceeds = false;
    frmRun dialog;
    for (const QString& typed : {QString("mouse"), QString("mouse properties"), QString(""),
                                 QString::fromUtf8("Caf\u00e9 \"x\"")}) {
        Boxes boxes;
        os.started.clear();
        dialog.Run(typed);
        EXPECT_EQ(os.started.size(), 1u);
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].prompt, "Can't Run Application" + typed);
        EXPECT_EQ(boxes.shown[0].buttons, 0);
        EXPECT_FALSE(boxes.shown[0].title.has_value());
    }
    ASSERT_EQ(os.started.size(), 1u);
    // In the system's 8-bit code page: UTF-8 on Linux, the ANSI code page on Windows.
    EXPECT_EQ(os.started[0].commandLine,
              QString::fromUtf8("Caf\xc3\xa9 \"x\"").toLocal8Bit().toStdString());
}

// However long the text, the system gets all of it, and the message shows it up to 300
// characters or 10 line breaks, never splitting a character, then an ellipsis.
TEST(RunDialogRun, ALongTextIsStartedWholeAndShownCutInTheMessage) {
    FakeOsLayer os;
    os.startSucceeds = false;
    frmRun dialog;
    QString huge;
    while (huge.size() < 2'000'000)
        huge += QStringLiteral("alpha bravo ");
    const QString a299(299, u'a');
    const QString lines = QStringLiteral("ls\n").repeated(12);
    const QString crlf = QStringLiteral("x\r\n").repeated(12);
    const QString smile = QString::fromUtf8("\xF0\x9F\x98\x80");
    const QString accent = QString::fromUtf8("e\xCC\x81");
    const QString ellipsis = QString::fromUtf8("\xE2\x80\xA6");
    const std::pair<QString, QString> cases[] = {
        {huge, huge.left(300) + ellipsis},
        {a299 + u'b', a299 + u'b'},
        {a299 + QStringLiteral("bc"), a299 + u'b' + ellipsis},
        {lines, lines.left(3 * 9 + 2) + ellipsis},
        {crlf, crlf.left(3 * 9 + 1) + ellipsis},
        {a299 + smile, a299 + ellipsis},
        {a299 + accent, a299 + ellipsis}};
    for (const auto& [typed, shown] : cases) {
        Boxes boxes;
        os.started.clear();
        dialog.Run(typed);
        ASSERT_EQ(os.started.size(), 1u);
        EXPECT_EQ(os.started[0].commandLine, typed.toLocal8Bit().toStdString());
        ASSERT_EQ(boxes.shown.size(), 1u);
        EXPECT_EQ(boxes.shown[0].prompt, "Can't Run Application" + shown)
            << typed.left(40).toStdString();
    }
}

namespace {

// A system that cannot bind the start call at all.
class UnboundStart : public FakeOsLayer {
public:
    bool StartCommandLine(const std::string&, std::int32_t) override {
        throw std::runtime_error("no entry point");
    }
};

} // namespace

TEST(RunDialogRun, AFailureRaisedByTheSystemIsShownAndGoesNoFurther) {
    UnboundStart os;
    Boxes boxes;
    frmRun dialog;
    LogCapture log;
    EXPECT_NO_THROW(dialog.Run("sound"));
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].prompt, "Can't Run Applicationsound");
    EXPECT_EQ(log.messages(QtWarningMsg),
              QStringList("default: Run: nothing was started: no entry point"));
}
