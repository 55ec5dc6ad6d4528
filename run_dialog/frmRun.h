#pragma once

#include "chrome/FormTimer.h"
#include "chrome/GraphicalButton.h"
#include "chrome/PictureBox.h"

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

// The "Run a task" dialog: the user types a program's command line or a Control Panel
// name and starts it. It has no system frame; every way of closing it only hides it, so
// its text, selection and place stay for the next opening.
class frmRun : public QDialog {
    Q_OBJECT
public:
    explicit frmRun(QWidget* parent = nullptr);
    ~frmRun() override;

    // Selects the whole text, so the first keystroke replaces it. Runs once, on creation.
    void Load();
    // Starts strCommand (a Control Panel name or a command line). A failure is shown to
    // the user and goes no further.
    void Run(QString strCommand);

    QLineEdit* txtRun;
    GraphicalButton* cmdRun;
    GraphicalButton* cmdCancel;
    QLabel* Label1;
    PictureBox* CrossBtn;
    PictureBox* About;
    QLabel* Label2;
    FormTimer* Timer1;

signals:
    // The Run button has run the text, started or not; the dialog is still shown and
    // hides once this returns.
    void Ran();

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void cmdRun_Click();
    void About_Click();
    void txtRun_KeyUp(int keyCode);

    QPixmap background_;
};
