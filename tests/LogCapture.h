#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// Takes every message Qt logs while it lives, in place of the handler before it.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The messages in order, each as "category: text": all of them, or those of one type.
    QStringList messages() const;
    QStringList messages(QtMsgType type) const;

private:
    struct Message {
        QtMsgType type;
        QString text;
    };
    static void note(QtMsgType type, const QMessageLogContext& context, const QString& text);

    QList<Message> taken_;
    LogCapture* outer_;
    QtMessageHandler previous_;
};
