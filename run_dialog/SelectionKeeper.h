#pragma once

#include <QObject>

class QLineEdit;

// Keeps a line edit's selection as the user left it while the focus and its window come
// and go, as a Windows text box keeps it. Qt's line edit drops the selection when the focus
// moves to another control and when the window comes back with the focus elsewhere, and
// selects the whole text when its dialog is shown again with the focus in it.
class SelectionKeeper : public QObject {
    Q_OBJECT
public:
    explicit SelectionKeeper(QLineEdit& box);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit& box_;
};
