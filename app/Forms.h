#pragma once

class frmMain;
class frmRun;
class frmOptions;

// The program's windows. Each exists at most once: created on first use, then shown and
// hidden, never destroyed while the program runs.
namespace Forms {

// The main window, created and loaded (its list filled) on first use.
frmMain& Main();
bool MainExists();

// The "Run a task" dialog, created and loaded (its text selected) on first use.
frmRun& Run();
bool RunExists();

// The options dialog, created on first use.
frmOptions& Options();

} // namespace Forms
