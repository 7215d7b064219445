#pragma once
// The camera dialogs' pictures by resource number: colour cells 111 (red), 112
// (green), 113 (blue), pattern arrows 114 (right) and 115 (left), bit states 116
// (set), 117 (clear), 118 (unchanged), and the preview's icon 130.

#include "server/frame/ui/bitmaps.h"

namespace velmora::server {

QPixmap cameraBitmap(int resource);

} // namespace velmora::server
