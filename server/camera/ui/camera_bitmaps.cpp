#include "server/camera/ui/camera_bitmaps.h"

namespace velmora::server {

QPixmap cameraBitmap(int resource)
{
    switch (resource) {
    case 111:
        return cellBitmap(Qt::red);
    case 112:
        return cellBitmap(Qt::green);
    case 113:
        return cellBitmap(Qt::blue);
    case 114:
        return arrowBitmap(Qt::RightArrow);
    case 115:
        return arrowBitmap(Qt::LeftArrow);
    case 116:
        return letterBitmap("1", QColor(0xFF, 0xE0, 0x80));
    case 117:
        return letterBitmap("0", QColor(0xA0, 0xC0, 0xFF));
    case 130:
        return previewIconBitmap();
    default:
        return letterBitmap("", Qt::lightGray);
    }
}

} // namespace velmora::server
