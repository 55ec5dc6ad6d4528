#pragma once

#include "chrome/GraphicalButton.h"

#include <QPixmap>
#include <QWidget>

// The about box: a small frameless window with the product's picture and a button that
// hides it again.
class frmAbout : public QWidget {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    // Shows the box modelessly, centred on the screen the first time, and in front.
    void Show();

    GraphicalButton* cmdClose;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void cmdClose_Click();

    QPixmap picture_;
    bool placed_ = false;
};
