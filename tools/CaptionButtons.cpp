#include "CaptionButtons.h"

#include "Colours.h"
#include "PictureOutput.h"

#include <QPainter>
#include <QSize>
#include <QString>

#include <array>
#include <string_view>
#include <vector>

namespace {

constexpr int gridSize = 15;

// Glyphs are drawn pixel by pixel so they stay crisp; 'X' marks a pixel. Origin is the released
// position inside the grid.
struct Glyph {
    int left;
    int top;
    std::vector<std::string_view> rows;
};

const Glyph crossGlyph{3,
                       4,
                       {
                           "XX    XX",
                           " XX  XX ",
                           "  XXXX  ",
                           "   XX   ",
                           "  XXXX  ",
                           " XX  XX ",
                           "XX    XX",
                       }};

const Glyph questionGlyph{4,
                          3,
                          {
                              " XXXX ",
                              "XX  XX",
                              "    XX",
                              "   XX ",
                              "  XX  ",
                              "  XX  ",
                              "      ",
                              "  XX  ",
                          }};

const Glyph minimiseGlyph{4,
                          9,
                          {
                              "XXXXXX",
                              "XXXXXX",
                          }};

struct ButtonLook {
    bool sunken = false;
    QColor lowerRightEdge = colours::buttonShade;
};

void pixel(QPainter& painter, int x, int y, const QColor& colour) {
    painter.fillRect(QRect(x, y, 1, 1), colour);
}

void paintButton(QPainter& painter, const Glyph& glyph, const ButtonLook& look) {
    painter.fillRect(QRect(0, 0, gridSize, gridSize), colours::buttonFrame);
    painter.fillRect(QRect(1, 1, gridSize - 2, gridSize - 2), colours::bandFill);

    const QColor upperLeft = look.sunken ? look.lowerRightEdge : colours::white;
    const QColor lowerRight = look.sunken ? colours::white : look.lowerRightEdge;
    constexpr int last = gridSize - 2;
    painter.fillRect(QRect(1, 1, last - 1, 1), upperLeft);
    painter.fillRect(QRect(1, 1, 1, last - 1), upperLeft);
    painter.fillRect(QRect(1, last, last, 1), lowerRight);
    painter.fillRect(QRect(last, 1, 1, last), lowerRight);

    const int shift = look.sunken ? 1 : 0;
    for (std::size_t row = 0; row < glyph.rows.size(); ++row) {
        const std::string_view bits = glyph.rows[row];
        for (std::size_t column = 0; column < bits.size(); ++column) {
            if (bits[column] == 'X')
                pixel(painter, glyph.left + static_cast<int>(column) + shift,
                      glyph.top + static_cast<int>(row) + shift, colours::buttonFrame);
        }
    }
}

void writeButton(PictureOutput& output, const QString& name, const Glyph& glyph,
                 const ButtonLook& look) {
    output.writePng(name, QSize(gridSize, gridSize),
                    [&](QPainter& painter) { paintButton(painter, glyph, look); });
}

} // namespace

void writeCaptionButtons(PictureOutput& output) {
    const std::array<const Glyph*, 3> glyphs{&crossGlyph, &questionGlyph, &minimiseGlyph};
    int number = 1;
    for (const Glyph* glyph : glyphs) {
        for (bool sunken : {false, true}) {
            writeButton(output, QStringLiteral("crossl_%1").arg(number), *glyph,
                        ButtonLook{sunken, colours::buttonShade});
            ++number;
        }
    }

    writeButton(output, QStringLiteral("form_cross"), crossGlyph,
                ButtonLook{false, colours::bandEdge});
    writeButton(output, QStringLiteral("form_about"), questionGlyph, ButtonLook{});
    writeButton(output, QStringLiteral("form_min"), minimiseGlyph, ButtonLook{});
}
