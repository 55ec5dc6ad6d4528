// Tells which font Windows draws its user interface text in: the message font, as Qt takes
// it for the application's font, and the face that GDI really gives for it. Exits with 0
// when that face is the one asked for and sans-serif; without the font, GDI puts another
// one in its place (a serif one under Wine without its own fonts).
#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        std::printf("no system metrics\n");
        return 2;
    }
    const HDC screen = GetDC(nullptr);
    const HFONT font = CreateFontIndirectA(&metrics.lfMessageFont);
    const HGDIOBJ before = SelectObject(screen, font);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(screen, sizeof face, face);
    TEXTMETRICA text{};
    GetTextMetricsA(screen, &text);
    SelectObject(screen, before);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);

    const bool sans = (text.tmPitchAndFamily & 0xF0) == FF_SWISS;
    std::printf("message font %s, drawn in %s (%s)\n", metrics.lfMessageFont.lfFaceName, face,
                sans ? "sans-serif" : "not sans-serif");
    return std::strcmp(face, metrics.lfMessageFont.lfFaceName) == 0 && sans ? 0 : 1;
}
