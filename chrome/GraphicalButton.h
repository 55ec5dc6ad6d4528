#pragma once

#include <QPixmap>
#include <QPushButton>

// A command button in the graphical style: its own face colour, and an optional picture
// above the caption. It is never a default button: Enter presses it only when it has the
// focus, as a focused button takes Enter on Windows.
class GraphicalButton : public QPushButton {
    Q_OBJECT
public:
    GraphicalButton(const QString& caption, const QColor& backColor, QWidget* parent = nullptr);

    const QPixmap& Picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPixmap picture_;
};
