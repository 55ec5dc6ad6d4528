#include "Forms.h"

#include "main_window/main_window.h"
#include "options_dialog/frmOptions.h"
#include "run_dialog/run_dialog.h"

namespace {
frmMain* mainWindow = nullptr;
frmRun* runDialog = nullptr;
frmOptions* optionsDialog = nullptr;
} // namespace

namespace Forms {

frmMain& Main() {
    if (!mainWindow) {
        mainWindow = new frmMain;
        mainWindow->Load();
    }
    return *mainWindow;
}

bool MainExists() {
    return mainWindow != nullptr;
}

frmRun& Run() {
    if (!runDialog) {
        runDialog = new frmRun;
        runDialog->Load();
    }
    return *runDialog;
}

bool RunExists() {
    return runDialog != nullptr;
}

frmOptions& Options() {
    if (!optionsDialog)
        optionsDialog = new frmOptions; // no owner: the main window shows it without naming one
    return *optionsDialog;
}

} // namespace Forms
