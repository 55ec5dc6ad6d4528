#pragma once

#include <QAccessibleWidget>

class PictureBox;

// What screen readers see of a picture box: a push button named by its accessible name,
// whose "Press" action clicks it as the left mouse button does.
class PictureBoxAccessible : public QAccessibleWidget {
public:
    explicit PictureBoxAccessible(PictureBox* box);

    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

private:
    PictureBox* box() const;
    // The mouse cannot click a hidden or disabled box, so neither can a screen reader.
    bool canBePressed() const;
};
