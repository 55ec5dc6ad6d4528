#include "ImageList.h"

#include "app/RuntimeError.h"

const QPixmap& ImageList::ListImage(int position) const {
    if (position < 1 || position > Count())
        throw RuntimeError(RuntimeError::IndexOutOfBounds);
    return images_[position - 1];
}
