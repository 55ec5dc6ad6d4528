#include "IconFile.h"

#include <QImage>
#include <QVector>

#include <algorithm>
#include <cstdint>

namespace {

constexpr int kPaletteSize = 256;

void putWord(QByteArray& bytes, std::uint16_t value) {
    bytes.append(static_cast<char>(value & 0xFF));
    bytes.append(static_cast<char>(value >> 8));
}

void putLong(QByteArray& bytes, std::uint32_t value) {
    putWord(bytes, static_cast<std::uint16_t>(value & 0xFFFF));
    putWord(bytes, static_cast<std::uint16_t>(value >> 16));
}

int paddedRow(int bytes) {
    return (bytes + 3) / 4 * 4;
}

} // namespace

QByteArray iconImage(const QImage& source) {
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    const int width = image.width();
    const int height = image.height();

    QVector<QRgb> palette;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            palette.append(image.pixel(x, y) | 0xFF000000u);
    std::sort(palette.begin(), palette.end());
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    if (palette.size() > kPaletteSize)
        return {};

    const int colourRow = paddedRow(width);
    const int maskRow = paddedRow((width + 7) / 8);
    QByteArray bytes;
    putLong(bytes, 40); // BITMAPINFOHEADER
    putLong(bytes, static_cast<std::uint32_t>(width));
    putLong(bytes, static_cast<std::uint32_t>(height * 2)); // colour bits and mask
    putWord(bytes, 1);
    putWord(bytes, 8);
    putLong(bytes, 0); // uncompressed
    putLong(bytes, static_cast<std::uint32_t>((colourRow + maskRow) * height));
    putLong(bytes, 0);
    putLong(bytes, 0);
    putLong(bytes, 0); // all 256 palette entries
    putLong(bytes, 0);
    for (int k = 0; k < kPaletteSize; ++k) {
        const QRgb colour = k < palette.size() ? palette[k] : 0;
        bytes.append(static_cast<char>(qBlue(colour)));
        bytes.append(static_cast<char>(qGreen(colour)));
        bytes.append(static_cast<char>(qRed(colour)));
        bytes.append('\0');
    }
    // Rows run from the bottom up.
    for (int y = height - 1; y >= 0; --y) {
        QByteArray row(colourRow, '\0');
        for (int x = 0; x < width; ++x) {
            const QRgb colour = image.pixel(x, y) | 0xFF000000u;
            row[x] = static_cast<char>(std::lower_bound(palette.begin(), palette.end(), colour) -
                                       palette.begin());
        }
        bytes.append(row);
    }
    bytes.append(QByteArray(maskRow * height, '\0')); // every pixel opaque
    return bytes;
}

QByteArray iconFile(const QImage& image) {
    const QByteArray data = iconImage(image);
    if (data.isEmpty())
        return {};
    QByteArray bytes;
    putWord(bytes, 0); // ICONDIR
    putWord(bytes, 1);
    putWord(bytes, 1);
    bytes.append(static_cast<char>(image.width() >= 256 ? 0 : image.width()));
    bytes.append(static_cast<char>(image.height() >= 256 ? 0 : image.height()));
    bytes.append('\0'); // 256 colours
    bytes.append('\0');
    putWord(bytes, 1);
    putWord(bytes, 8);
    putLong(bytes, static_cast<std::uint32_t>(data.size()));
    putLong(bytes, 6 + 16);
    bytes.append(data);
    return bytes;
}
