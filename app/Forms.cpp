#include "Forms.h"

#include "main_window/main_window.h"

namespace {
frmMain* mainWindow = nullptr;
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

} // namespace Forms
