#pragma once

#include "ProcessListView.h"
#include "chrome/FormTimer.h"
#include "chrome/GraphicalButton.h"
#include "chrome/ImageList.h"
#include "chrome/PictureBox.h"
#include "process/clsActiveProcess.h"

#include <QPixmap>
#include <QRadioButton>
#include <QWidget>
#include <memory>

// The main window: the process list, the five commands above it and the three caption
// pictures of its own title band. It has no system frame.
class frmMain : public QWidget {
    Q_OBJECT
public:
    explicit frmMain(QWidget* parent = nullptr);
    ~frmMain() override;

    // Creates the snapshot object, selects optYes and fills the list.
    void Load();
    // Rebuilds the list from a new snapshot. Never fails: a failing step is skipped.
    void cmdRefresh();
    // Ends the process that the selected row was made from, if its id still names it, and
    // takes the row out of the list. Nothing else is ever ended; a failure is logged. When
    // the system denies ending that very process, its row stays selected and a message
    // box says so.
    void cmdKillProcess_Click();

    void cmdStart_Click();
    void MinBtn_Click();
    void About_Click();

    ProcessListView* lstProcess;
    GraphicalButton* cmdRun;
    GraphicalButton* cmdKillProcess;
    GraphicalButton* cmdOptions;
    GraphicalButton* cmdStart;
    GraphicalButton* cmdExit;
    QRadioButton* optYes;
    PictureBox* MinBtn;
    PictureBox* About;
    PictureBox* CrossBtn;
    FormTimer* Timer1;
    FormTimer* Timer2;
    ImageList CrossL;

    std::unique_ptr<clsActiveProcess> objProcess;
    std::int32_t lngProcessCount = 0;
    std::int16_t intIndex = 0;

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // A tick of the automatic refresh: cmdRefresh, unless the window is minimised or not
    // shown, when the list waits until it is shown again.
    void Timer2_Timer();
    void fillRows();
    bool keepsChosenProcess(const ProcessIdentity& chosen);
    void cmdRun_Click();
    // Opens the maker's web page and ends the program at once: every way out goes here.
    void Shutdown();

    QPixmap background_;
    bool listBehind_ = false; // ticks came while nobody could see the list
};
