#pragma once

#include <QList>
#include <QPixmap>

// An indexed store of pictures, addressed from 1 like the windows' image lists.
class ImageList {
public:
    void Add(const QPixmap& picture) { images_.append(picture); }
    int Count() const { return static_cast<int>(images_.size()); }
    // Raises RuntimeError 35600 ("Index out of bounds") outside 1 to Count().
    const QPixmap& ListImage(int position) const;

private:
    QList<QPixmap> images_;
};
