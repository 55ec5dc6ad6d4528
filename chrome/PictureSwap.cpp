#include "PictureSwap.h"

#include "ImageList.h"
#include "PictureBox.h"

#include <QCoreApplication>

PictureSwap::PictureSwap(PictureBox& box, const ImageList& pictures, int released, int pressed)
    : QObject(&box) {
    connect(&box, &PictureBox::MouseDown, this,
            [&box, &pictures, pressed] { swapTo(box, pictures, pressed); });
    connect(&box, &PictureBox::MouseUp, this,
            [&box, &pictures, released] { swapTo(box, pictures, released); });
}

void PictureSwap::swapTo(PictureBox& box, const ImageList& pictures, int position) {
    const QPixmap& picture = pictures.ListImage(position);
    if (box.Picture().cacheKey() == picture.cacheKey()) {
        QCoreApplication::processEvents();
        return;
    }
    // A copy shares the list's picture, so the next comparison finds it the same.
    box.setPicture(picture);
}
