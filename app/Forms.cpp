#include "Forms.h"

#include "main_window/main_window.h"
#include "options_dialog/frmOptions.h"

namespace {
frmMain* mainWindow = nullptr;
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

frmOptions& Options() {
    if (!optionsDialog)
        optionsDialog = new frmOptions; // no owner: the main window shows it without naming one
    return *optionsDialog;
}

} // namespace Forms
