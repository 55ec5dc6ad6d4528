#pragma once

#include <QLabel>

// A label or image that takes its own clicks: Click follows a press and a release of the
// same button over it. A click nobody handles ends here and does not reach the window.
class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);

signals:
    void Click();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    Qt::MouseButtons pressed_;
};
