// Any text given to Run, with a start that works or fails (the first byte decides): one
// start per call, a Control Panel line minimised or the text as typed in a normal window,
// and after a start that failed or was refused (an empty line, a NUL in it) exactly one
// box naming the text as typed, or a start of it followed by an ellipsis when it is long.
#include "app/Forms.h"
#include "app/ProgramEnd.h"
#include "chrome/MsgBox.h"
#include "run_dialog/run_dialog.h"
#include "tests/FakeOsLayer.h"

#include <QApplication>
#include <cstdlib>

namespace {
std::vector<MsgBoxRequest> boxes;
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(*argc, *argv);
    QApplication::setApplicationName(QStringLiteral("KorvantaTaskList"));
    setMsgBoxHandler([](const MsgBoxRequest& request) {
        boxes.push_back(request);
        return vbOK;
    });
    setEndProgramHook([](int) { std::abort(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static FakeOsLayer os;
    static frmRun& dialog = Forms::Run();
    if (size == 0)
        return 0;
    os.startSucceeds = (data[0] & 1) != 0;
    os.started.clear();
    boxes.clear();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data) + 1,
                                           static_cast<qsizetype>(size - 1));

    dialog.Run(text);

    if (os.started.size() > 1)
        std::abort();
    if (os.started.size() == 1) {
        const FakeOsLayer::Start& start = os.started.front();
        const QString line = QString::fromLocal8Bit(start.commandLine);
        if (start.windowStyle == 2) {
            if (!line.startsWith(QStringLiteral("control ")))
                std::abort();
            for (const QChar c : text)
                if (!(c.isLetter() && c.unicode() < 128) && c != u' ')
                    std::abort(); // only the plain names reach the Control Panel
        } else if (start.windowStyle != 1 || line != text) {
            std::abort();
        }
    }
    // As every system does, an empty line and one holding a NUL start nothing.
    const bool failed = os.started.empty() || !os.startSucceeds ||
                        os.started.front().commandLine.empty() ||
                        os.started.front().commandLine.find('\0') != std::string::npos;
    if (failed != (boxes.size() == 1) || boxes.size() > 1)
        std::abort();
    if (!failed)
        return 0;
    const QString title = QStringLiteral("Can't Run Application");
    const QString& prompt = boxes.front().prompt;
    if (!prompt.startsWith(title) || boxes.front().title.has_value() || boxes.front().buttons != 0)
        std::abort();
    const QString shown = prompt.mid(title.size());
    const bool whole = shown == text && text.size() <= 300;
    const bool cut = shown.endsWith(QChar(0x2026)) && shown.size() - 1 <= 300 &&
                     shown.size() - 1 < text.size() && text.startsWith(shown.chopped(1));
    if (!whole && !cut)
        std::abort();
    return 0;
}
