#include "AboutPictures.h"
#include "CaptionButtons.h"
#include "Icons.h"
#include "PictureOutput.h"
#include "WindowBackgrounds.h"

#include <QGuiApplication>

#include <cstdio>

int main(int argc, char* argv[]) {
    // Only fonts are needed. Other platforms hint text differently, which would change the bytes.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);

    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }

    PictureOutput output(QString::fromLocal8Bit(argv[1]));
    writeWindowBackgrounds(output);
    writeCaptionButtons(output);
    writeIcons(output);
    writeAboutPictures(output);

    std::printf("%d pictures written\n", output.filesWritten());
    return output.succeeded() ? 0 : 1;
}
