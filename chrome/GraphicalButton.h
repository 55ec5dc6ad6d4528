#pragma once

#include <QPixmap>
#include <QPushButton>

// A command button in the graphical style: its own face colour, and an optional picture
// above the caption. It is never a default button, so Enter does not press it unasked.
class GraphicalButton : public QPushButton {
    Q_OBJECT
public:
    GraphicalButton(const QString& caption, const QColor& backColor, QWidget* parent = nullptr);

    const QPixmap& Picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPixmap picture_;
};
