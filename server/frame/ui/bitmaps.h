#pragma once
// The small pictures of the server's dialogs, drawn here instead of loaded from
// resources: solid colour cells, arrows, the bit buttons' states, letters, and the
// profile list's image.

#include <QColor>
#include <QPixmap>
#include <QString>

namespace velmora::server {

constexpr int kBitmapSize = 16;

// A square of one colour with a dark border.
QPixmap cellBitmap(const QColor& colour, int size = kBitmapSize);
// An arrow pointing left, right, up or down (Qt::LeftArrow ...).
QPixmap arrowBitmap(Qt::ArrowType direction, int size = kBitmapSize);
// One or two characters centred on a plain background; empty text gives the background.
QPixmap letterBitmap(const QString& text, const QColor& background = Qt::white, int size = kBitmapSize);
// Image 0 of the profile list (bitmap 120): a sheet with a folded corner.
QPixmap profileBitmap();
// The application icon of the preview window (icon 130).
QPixmap previewIconBitmap();

} // namespace velmora::server
