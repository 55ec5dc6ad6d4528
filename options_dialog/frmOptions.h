#pragma once

#include "chrome/FormTimer.h"
#include "chrome/GraphicalButton.h"
#include "chrome/PictureBox.h"

#include <QCheckBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>

// The options dialog: switches the main window's automatic refresh on or off and sets its
// period. It keeps no setting of its own; the refresh timer it is opened for holds them.
// One instance serves the whole run (Forms::Options()), hidden and shown again, so its
// controls keep what the user left in them.
class frmOptions : public QDialog {
    Q_OBJECT
public:
    explicit frmOptions(QWidget* parent = nullptr);

    // Sets the box from the timer's Enabled and shows the dialog modally until Apply or
    // Close hides it. The rate text is left as it was.
    void Open(FormTimer& refreshTimer);

    QCheckBox* Check1;
    QLineEdit* Text1;
    GraphicalButton* cmdApply;
    GraphicalButton* cmdClose;
    QLabel* Label1;
    QLabel* Label2;
    PictureBox* CrossBtn;
    FormTimer* Timer1; // the drag timer; quiet until a drag gives it an interval

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void Check1_Click();
    void Check1_Pressed();
    void cmdApply_Click();
    void Close();
    void checkRateLater();
    void runPendingRateCheck();
    bool pressInProgress() const;
    void showRateMessage();

    QPixmap background_;
    FormTimer* refreshTimer_ = nullptr;
    bool rateCheckPending_ = false;
    bool placed_ = false;
};
