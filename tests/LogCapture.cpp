#include "LogCapture.h"

#include <utility>

namespace {
LogCapture* capturing = nullptr;
} // namespace

LogCapture::LogCapture()
    : outer_(std::exchange(capturing, this)), previous_(qInstallMessageHandler(&note)) {}

LogCapture::~LogCapture() {
    qInstallMessageHandler(previous_);
    capturing = outer_;
}

QStringList LogCapture::messages() const {
    QStringList texts;
    for (const Message& message : taken_)
        texts.append(message.text);
    return texts;
}

QStringList LogCapture::messages(QtMsgType type) const {
    QStringList texts;
    for (const Message& message : taken_)
        if (message.type == type)
            texts.append(message.text);
    return texts;
}

void LogCapture::note(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (capturing)
        capturing->taken_.append({type, QString::fromLatin1(context.category) + ": " + text});
}
