#include "PictureOutput.h"

#include "IconFile.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <utility>
#include <vector>

namespace {

// 96 dpi, fixed so the saved files do not depend on the screen.
constexpr int dotsPerMeter = 3780;

QString scaledName(const QString& name, int scale, const QString& extension) {
    return scale == 1 ? name + extension : name + QStringLiteral("@%1x").arg(scale) + extension;
}

int colourDistance(QRgb a, QRgb b) {
    const int dr = qRed(a) - qRed(b);
    const int dg = qGreen(a) - qGreen(b);
    const int db = qBlue(a) - qBlue(b);
    return dr * dr + dg * dg + db * db;
}

} // namespace

PictureOutput::PictureOutput(QString directory) : directory_(std::move(directory)) {
    QDir().mkpath(directory_);
}

void PictureOutput::writePng(const QString& name, QSize size, const PaintFunction& paint,
                             Colours colours) {
    for (int scale : {1, 2}) {
        QImage image = render(size, scale, QImage::Format_RGB32, paint);
        if (colours == Colours::AtMost256)
            image = limitColours(image, 256);
        save(image, scaledName(name, scale, QStringLiteral(".png")), "PNG");
    }
}

void PictureOutput::writeJpeg(const QString& name, QSize size, const PaintFunction& paint,
                              int quality) {
    for (int scale : {1, 2}) {
        const QImage image = render(size, scale, QImage::Format_RGB32, paint);
        save(image, scaledName(name, scale, QStringLiteral(".jpg")), "JPEG", quality);
    }
}

void PictureOutput::writeTransparentPng(const QString& name, QSize size,
                                        const PaintFunction& paint) {
    const QImage image = render(size, 1, QImage::Format_ARGB32, paint);
    save(image, name + QStringLiteral(".png"), "PNG");
}

void PictureOutput::writeWindowsIcon(const QString& name, QSize size, const PaintFunction& paint) {
    const QImage image = limitColours(render(size, 1, QImage::Format_RGB32, paint), 256);
    saveBytes(iconFile(image), name + QStringLiteral(".ico"));
    saveBytes(iconImage(image), name + QStringLiteral("_image.bin"));
}

QImage PictureOutput::render(QSize size, int scale, QImage::Format format,
                             const PaintFunction& paint) {
    QImage image(size * scale, format);
    image.fill(format == QImage::Format_RGB32 ? Qt::white : Qt::transparent);
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    painter.scale(scale, scale);
    paint(painter);
    painter.end();
    return image;
}

// Keeps the most frequent colours and snaps the rare blended edge pixels to the nearest of them,
// so flat artwork keeps its exact colours.
QImage PictureOutput::limitColours(const QImage& image, int maximum) {
    QHash<QRgb, int> counts;
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x)
            ++counts[line[x] | 0xFF000000u];
    }
    if (counts.size() <= maximum)
        return image;

    std::vector<std::pair<QRgb, int>> byFrequency(counts.constKeyValueBegin(),
                                                  counts.constKeyValueEnd());
    std::sort(byFrequency.begin(), byFrequency.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    byFrequency.resize(static_cast<std::size_t>(maximum));

    QHash<QRgb, QRgb> mapping;
    QImage result = image.convertToFormat(QImage::Format_RGB32);
    for (int y = 0; y < result.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(result.scanLine(y));
        for (int x = 0; x < result.width(); ++x) {
            const QRgb colour = line[x] | 0xFF000000u;
            auto found = mapping.constFind(colour);
            if (found == mapping.constEnd()) {
                QRgb best = byFrequency.front().first;
                int bestDistance = std::numeric_limits<int>::max();
                for (const auto& [candidate, count] : byFrequency) {
                    const int distance = colourDistance(colour, candidate);
                    if (distance < bestDistance) {
                        bestDistance = distance;
                        best = candidate;
                    }
                }
                found = mapping.insert(colour, best);
            }
            line[x] = *found;
        }
    }
    return result;
}

void PictureOutput::save(const QImage& image, const QString& fileName, const char* format,
                         int quality) {
    const QString path = QDir(directory_).filePath(fileName);
    if (image.save(path, format, quality)) {
        ++written_;
    } else {
        ++failures_;
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

void PictureOutput::saveBytes(const QByteArray& bytes, const QString& fileName) {
    const QString path = QDir(directory_).filePath(fileName);
    QFile file(path);
    if (!bytes.isEmpty() && file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()) {
        ++written_;
    } else {
        ++failures_;
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}
