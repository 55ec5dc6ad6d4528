#pragma once

#include <QImage>
#include <QSize>
#include <QString>

#include <functional>

class QPainter;

// Paints in 1x coordinates; the painter is already scaled for the @2x picture.
using PaintFunction = std::function<void(QPainter&)>;

// Renders pictures with the same drawing code at 1x and 2x and saves them into one directory.
class PictureOutput {
public:
    enum class Colours { Full, AtMost256 };

    explicit PictureOutput(QString directory);

    void writePng(const QString& name, QSize size, const PaintFunction& paint,
                  Colours colours = Colours::Full);
    void writeJpeg(const QString& name, QSize size, const PaintFunction& paint, int quality);
    // A single picture with alpha, used for the desktop icon theme.
    void writeTransparentPng(const QString& name, QSize size, const PaintFunction& paint);
    // A Windows icon of at most 256 colours: name.ico, and name_image.bin with the image
    // alone, as the executable's icon resource holds it.
    void writeWindowsIcon(const QString& name, QSize size, const PaintFunction& paint);

    bool succeeded() const { return failures_ == 0; }
    int filesWritten() const { return written_; }

private:
    static QImage render(QSize size, int scale, QImage::Format format, const PaintFunction& paint);
    static QImage limitColours(const QImage& image, int maximum);
    void save(const QImage& image, const QString& fileName, const char* format, int quality = -1);
    void saveBytes(const QByteArray& bytes, const QString& fileName);

    QString directory_;
    int written_ = 0;
    int failures_ = 0;
};
