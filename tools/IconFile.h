#pragma once

#include <QByteArray>

class QImage;

// The bytes of a Windows icon of at most 256 colours: the image as an icon resource
// holds it (bitmap header, palette, colour bits, mask), and the .ico file around it.
QByteArray iconImage(const QImage& image);
QByteArray iconFile(const QImage& image);
