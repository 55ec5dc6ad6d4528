#pragma once

#include <QPixmap>
#include <QPushButton>

// A command button in the graphical style, drawn as Windows draws its classic buttons: a
// flat face of exactly its own colour inside a raised 3-D edge, sunken while it is held
// down, a dotted focus rectangle inside the edge while it has the focus, and an embossed
// grey caption while it is disabled. An optional picture stands above the caption.
// It is never a default button: Enter presses it only when it has the focus, as a
// focused button takes Enter on Windows.
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
    void drawEdge(QPainter& painter) const;
    void drawContent(QPainter& painter, const QRect& area) const;
    void drawFocusRectangle(QPainter& painter) const;

    QPixmap picture_;
};
