#pragma once

#include <QObject>
#include <QString>

class QLineEdit;

// Holds a line edit to its maxLength for pastes as well as for typing. Qt's line edit keeps
// the part of a paste that fits; with this guard a paste (keys, middle button or drop) that
// would make the text longer is refused whole, the text stays as it was, and a tooltip at
// the box says why. The context menu offers no Paste for such a text, and says why there.
class PasteGuard : public QObject {
    Q_OBJECT
public:
    PasteGuard(QLineEdit& box, QString refusal);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether pasted, put in at the cursor (over the selection when it replaces it), keeps
    // the text within its limit.
    bool fits(const QString& pasted, bool overSelection) const;
    // Whether it does not; then a tooltip at the box says why.
    bool refuses(const QString& pasted, bool overSelection) const;
    // Qt's own menu of the box, whose Paste is offered only for a text that fits.
    void showMenu(const QPoint& at);

    QLineEdit& box_;
    QString refusal_;
};
