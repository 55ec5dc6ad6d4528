#include "DisplayOpening.h"
#include "Forms.h"
#include "ProgramIdentity.h"
#include "chrome/Accessibility.h"
#include "chrome/Centering.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QStyleFactory>

int main(int, char* argv[]) {
    int onlyTheProgramName = 1; // the command line is not read, not even Qt's own options
    DisplayOpening opening;
    QApplication application(onlyTheProgramName, argv);
    opening.opened();
    ProgramIdentity::apply();
    Accessibility::install();
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The program ends only through the main window's shutdown, never because a window
    // such as the programmer card was the last one closed.
    QApplication::setQuitOnLastWindowClosed(false);

    frmMain& main = Forms::Main();
    centerOnScreen(main);
    main.show();
    // The keyboard, and with it a screen reader, starts in the list.
    main.activateWindow();
    return QApplication::exec();
}
