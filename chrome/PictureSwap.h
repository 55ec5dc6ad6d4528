#pragma once

#include <QObject>

class ImageList;
class PictureBox;

// Makes a picture box behave like a caption button: a press of any mouse button puts the
// pressed picture of an image list on it, a release the released one. The box keeps
// the button held in the pointer's grab, so the release comes even off the box.
class PictureSwap : public QObject {
    Q_OBJECT
public:
    // released and pressed are one-based positions in pictures, which must outlive box.
    PictureSwap(PictureBox& box, const ImageList& pictures, int released, int pressed);

    // Shows picture position of pictures on box. When box already shows that very
    // picture, only lets the waiting events run once.
    static void swapTo(PictureBox& box, const ImageList& pictures, int position);
};
