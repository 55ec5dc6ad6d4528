#pragma once

#include <QColor>
#include <QLine>
#include <QWidget>

// A straight line drawn on its window, from one point to another in the window's
// coordinates. It takes no clicks: they fall through to what lies under it.
class LineControl : public QWidget {
    Q_OBJECT
public:
    LineControl(const QLine& line, const QColor& borderColor, int borderWidth,
                QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QLine line_;
    QColor borderColor_;
    int borderWidth_;
};
