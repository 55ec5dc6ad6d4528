#pragma once

#include "ClickableLabel.h"
#include "LineControl.h"

#include <QWidget>
#include <array>

// The programmer card: the author's photograph, name, qualification, job title and
// telephone number under a banner, in an ordinary window with a title bar. A click on
// the card, the photograph or one of the four lines hides it; the heading and the banner
// take their clicks without effect. Closed by its title bar, it is gone for good: the
// next opening makes a new one.
class frmAboutProgrammer : public QWidget {
    Q_OBJECT
public:
    explicit frmAboutProgrammer(QWidget* parent = nullptr);

    // Shows the card modelessly, centred on the screen the first time, and in front.
    void Show();

    ClickableLabel* Label1;
    ClickableLabel* Image2;
    std::array<ClickableLabel*, 4> lblLabel;
    LineControl* Line1;
    ClickableLabel* Image1;

signals:
    // The card was closed through the system and is about to be destroyed.
    void Unloaded();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Click();
    void Image1_Click();
    void lblLabel_Click(int Index);

    Qt::MouseButtons pressed_;
    bool placed_ = false;
};
