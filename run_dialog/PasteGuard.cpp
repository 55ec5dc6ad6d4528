#include "PasteGuard.h"

#include <QAction>
#include <QClipboard>
#include <QDropEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QToolTip>
#include <algorithm>

namespace {

// The clipboard a paste key reads. Where Ctrl+Shift+Insert is a paste key at all (X11), the
// line edit pastes the selection with it.
QClipboard::Mode readBy(const QKeyEvent& key) {
    const bool selection =
        key.key() == Qt::Key_Insert && key.modifiers() == (Qt::ControlModifier | Qt::ShiftModifier);
    return selection ? QClipboard::Selection : QClipboard::Clipboard;
}

// The Paste of the line edit's menu, known by its text in the user's language.
QAction* pasteIn(const QMenu& menu) {
    const QString paste = QCoreApplication::translate("QLineEdit", "&Paste");
    const QList<QAction*> actions = menu.actions();
    const auto found = std::find_if(actions.begin(), actions.end(), [&](const QAction* action) {
        return action->text().section(u'\t', 0, 0) == paste;
    });
    return found == actions.end() ? nullptr : *found;
}

} // namespace

PasteGuard::PasteGuard(QLineEdit& box, QString refusal)
    : QObject(&box), box_(box), refusal_(std::move(refusal)) {
    box.installEventFilter(this);
    // The line edit still decides when a menu may open (not while a word is being composed).
    box.setContextMenuPolicy(Qt::CustomContextMenu);
    connect(&box, &QWidget::customContextMenuRequested, this, &PasteGuard::showMenu);
}

bool PasteGuard::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &box_ || box_.isReadOnly())
        return false;
    const QClipboard& clipboard = *QGuiApplication::clipboard();
    switch (event->type()) {
    case QEvent::KeyPress: {
        const auto& key = *static_cast<QKeyEvent*>(event);
        return key.matches(QKeySequence::Paste) && refuses(clipboard.text(readBy(key)), true);
    }
    case QEvent::MouseButtonRelease:
        // The middle button pastes the selection where the system has one.
        return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton &&
               clipboard.supportsSelection() &&
               refuses(clipboard.text(QClipboard::Selection), false);
    case QEvent::Drop: {
        auto& drop = *static_cast<QDropEvent*>(event);
        const bool movedWithin = drop.source() == &box_ && drop.dropAction() == Qt::MoveAction;
        if (movedWithin || !refuses(drop.mimeData()->text(), false))
            return false;
        drop.ignore();
        QDragLeaveEvent leave; // takes away the cursor the drag showed
        QCoreApplication::sendEvent(&box_, &leave);
        return true;
    }
    default:
        return false;
    }
}

bool PasteGuard::fits(const QString& pasted, bool overSelection) const {
    const qsizetype kept = box_.text().size() - (overSelection ? box_.selectionLength() : 0);
    return kept + pasted.size() <= box_.maxLength();
}

bool PasteGuard::refuses(const QString& pasted, bool overSelection) const {
    if (fits(pasted, overSelection))
        return false;
    QToolTip::showText(box_.mapToGlobal(QPoint(0, box_.height() / 2)), refusal_, &box_);
    return true;
}

void PasteGuard::showMenu(const QPoint& at) {
    QMenu* menu = box_.createStandardContextMenu();
    // A tip shown once the menu has closed would go with the focus the menu hands back, so
    // the menu says it at its Paste, which it offers only for a text that fits.
    QAction* paste = pasteIn(*menu);
    if (paste && paste->isEnabled() && !fits(QGuiApplication::clipboard()->text(), true)) {
        paste->setEnabled(false);
        paste->setToolTip(refusal_);
        menu->setToolTipsVisible(true);
    }
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(box_.mapToGlobal(at));
}
