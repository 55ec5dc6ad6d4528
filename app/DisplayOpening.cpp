#include "DisplayOpening.h"

#include "ProgramEnd.h"

#include <QByteArray>
#include <QString>
#include <cstdio>
#include <vector>

namespace {

constexpr char kNoDisplayLine[] =
    "KorvantaTaskList: no display could be opened. Start it on a desktop, or choose a "
    "display with DISPLAY (X11) or WAYLAND_DISPLAY, or a platform with QT_QPA_PLATFORM "
    "(xcb, wayland or offscreen).\n";

struct HeldMessage {
    QtMsgType type;
    QByteArray file, function, category;
    int line;
    QString text;
};

QtMessageHandler passOn = nullptr;
bool holding = false;
std::vector<HeldMessage>& held() {
    static std::vector<HeldMessage> messages;
    return messages;
}

void holdMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
        // Qt's own lines (the plugin that could not be loaded, the connection that failed)
        // would only bury the one that tells the user what to do.
        std::fputs(kNoDisplayLine, stderr);
        EndProgram(1);
        return;
    }
    held().push_back({type, context.file, context.function, context.category, context.line, text});
}

} // namespace

DisplayOpening::DisplayOpening() {
    holding = true;
    passOn = qInstallMessageHandler(holdMessage);
}

DisplayOpening::~DisplayOpening() {
    opened();
}

void DisplayOpening::opened() {
    if (!holding)
        return;
    holding = false;
    qInstallMessageHandler(passOn);
    for (const HeldMessage& message : held()) {
        const QMessageLogContext context(message.file.constData(), message.line,
                                         message.function.constData(),
                                         message.category.constData());
        passOn(message.type, context, message.text);
    }
    held().clear();
}
