#include "ImageList.h"

#include "app/RuntimeError.h"

const QPixmap& ImageList::ListImage(int position) const {
    if (position < 1 || position > Count())
        throw RuntimeError(35600, "Index out of bounds");
    return images_[position - 1];
}
