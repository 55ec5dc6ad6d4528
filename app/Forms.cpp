#include "Forms.h"

#include "about/frmAbout.h"
#include "about/frmAboutProgrammer.h"
#include "main_window/main_window.h"
#include "options_dialog/frmOptions.h"
#include "run_dialog/run_dialog.h"

#include <utility>

namespace {
frmMain* mainWindow = nullptr;
frmRun* runDialog = nullptr;
frmOptions* optionsDialog = nullptr;
frmAbout* aboutBox = nullptr;
frmAboutProgrammer* programmerCard = nullptr;
} // namespace

namespace Forms {

frmMain& Main() {
    if (!mainWindow) {
        mainWindow = new frmMain;
        mainWindow->Load();
    }
    return *mainWindow;
}

frmRun& Run() {
    if (!runDialog) {
        runDialog = new frmRun;
        runDialog->Load();
        ConnectRunToMain(*runDialog, Main());
    }
    return *runDialog;
}

void ConnectRunToMain(frmRun& run, frmMain& main) {
    // A direct connection: the refresh is over before the dialog hides.
    QObject::connect(&run, &frmRun::Ran, &main, &frmMain::cmdRefresh, Qt::DirectConnection);
}

frmOptions& Options() {
    if (!optionsDialog)
        optionsDialog = new frmOptions; // no owner: the main window shows it without naming one
    return *optionsDialog;
}

frmAbout& About() {
    if (!aboutBox)
        aboutBox = new frmAbout;
    return *aboutBox;
}

frmAboutProgrammer& AboutProgrammer() {
    if (!programmerCard) {
        programmerCard = new frmAboutProgrammer;
        // Forgotten at once, not when its deferred deletion runs, so an opening right
        // after the close already makes the new one.
        QObject::connect(programmerCard, &frmAboutProgrammer::Unloaded,
                         [] { programmerCard = nullptr; });
    }
    return *programmerCard;
}

void Reset() {
    delete std::exchange(programmerCard, nullptr);
    delete std::exchange(aboutBox, nullptr);
    delete std::exchange(optionsDialog, nullptr);
    delete std::exchange(runDialog, nullptr);
    delete std::exchange(mainWindow, nullptr);
}

} // namespace Forms
