#include "MsgBox.h"

#include <QApplication>
#include <QMessageBox>

namespace {
std::function<int(const MsgBoxRequest&)>& handler() {
    static std::function<int(const MsgBoxRequest&)> installed;
    return installed;
}
} // namespace

int MsgBox(const QString& prompt, int buttons, const std::optional<QString>& title) {
    const MsgBoxRequest request{prompt, buttons, title};
    if (handler())
        return handler()(request);

    QMessageBox box(buttons & vbInformation ? QMessageBox::Information : QMessageBox::NoIcon,
                    title.value_or(QApplication::applicationName()), prompt, QMessageBox::Ok);
    // Exactly as given: a prompt may hold what the user typed or a process's name, where
    // Qt's guess would take tags for markup and load the pictures they name.
    box.setTextFormat(Qt::PlainText);
    // Qt shows it to screen readers as an alert named by its title; the message goes with
    // it, for readers that announce an alert without reading its labels.
    box.setAccessibleDescription(prompt);
    box.exec();
    return vbOK;
}

void setMsgBoxHandler(std::function<int(const MsgBoxRequest&)> handler_) {
    handler() = std::move(handler_);
}
