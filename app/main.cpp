#include "Forms.h"
#include "chrome/Centering.h"
#include "main_window/main_window.h"

#include <QApplication>
#include <QStyleFactory>

int main(int, char* argv[]) {
    int onlyTheProgramName = 1; // the command line is not read, not even Qt's own options
    QApplication application(onlyTheProgramName, argv);
    QApplication::setApplicationName(QStringLiteral("KorvantaTaskList"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    frmMain& main = Forms::Main();
    centerOnScreen(main);
    main.show();
    return QApplication::exec();
}
