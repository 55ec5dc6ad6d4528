#pragma once

#include <QPixmap>
#include <QTimer>
#include <QWidget>

// A borderless box exactly as large as its picture, standing in for a caption button.
// Click follows a press and a release of the left button over the box.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    const QPixmap& Picture() const { return picture_; }
    void setPicture(const QPixmap& picture);

    // Clicks the box as the left mouse button does: pressed now, released over the box a
    // moment later, so a pressed picture shows meanwhile. Screen readers press it so.
    void animateClick();

signals:
    void MouseDown(Qt::MouseButton button);
    void MouseUp(Qt::MouseButton button);
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void press(Qt::MouseButton button);
    void release(Qt::MouseButton button, bool overTheBox);

    QPixmap picture_;
    Qt::MouseButtons pressed_;
    QTimer animatedRelease_;
};
