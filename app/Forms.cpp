#include "Forms.h"

#include "about/frmAbout.h"
#include "about/frmAboutProgrammer.h"
#include "main_window/main_window.h"

namespace {
frmMain* mainWindow = nullptr;
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

bool MainExists() {
    return mainWindow != nullptr;
}

frmAbout& About() {
    if (!aboutBox)
        aboutBox = new frmAbout;
    return *aboutBox;
}

bool AboutExists() {
    return aboutBox != nullptr;
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

bool AboutProgrammerExists() {
    return programmerCard != nullptr;
}

} // namespace Forms
