#pragma once

class frmMain;
class frmRun;
class frmOptions;
class frmAbout;
class frmAboutProgrammer;

// The program's windows. Each exists at most once: created on first use, then shown and
// hidden, never destroyed while the program runs.
namespace Forms {

// The main window, created and loaded (its list filled) on first use.
frmMain& Main();

// The "Run a task" dialog, created and loaded (its text selected) on first use, and
// connected to the main window.
frmRun& Run();
// What the Run dialog starts shows in the main window's list: after each run the list is
// refreshed, while the dialog is still shown, and then the dialog hides.
void ConnectRunToMain(frmRun& run, frmMain& main);

// The options dialog, created on first use.
frmOptions& Options();

// The about box and the programmer card. A card closed through the system is gone: the
// next call makes a new one.
frmAbout& About();
frmAboutProgrammer& AboutProgrammer();

// Destroys every window made so far, so the next call makes each anew. The program never
// calls it; each test starts from none with it.
void Reset();

} // namespace Forms
