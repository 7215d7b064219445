#pragma once
// Overlays drawn onto the display surface after the conversion, in image
// coordinates (row 0 at the bottom); whatever falls outside the surface is clipped.

#include "client/image/display_surface.h"
#include "client/image/pixel_rect.h"
#include "client/image/rgb_colour.h"

namespace velmora::client {

// What a tool dialog shows over the image: its square, crossed when tracking did not
// converge, and the plus mark on the square's centre while it tracks.
struct SquareOverlay {
    PixelRect square;
    RgbColour colour;
    bool crossed = false;
    bool showMark = false;
    int markX = 0;
    int markY = 0;
};

// A line of one-pixel width between two image points, both ends included.
void DrawLine(const DisplaySurface& surface, int x0, int y0, int x1, int y1, RgbColour colour);
// One-pixel outline from (left, top) to (right − 1, bottom − 1), optionally with both diagonals.
void DrawRectOutline(const DisplaySurface& surface, const PixelRect& rect, RgbColour colour, bool diagonals);
// A plus mark seven pixels wide and seven high centred on (x, y).
void DrawPlusMark(const DisplaySurface& surface, int x, int y, RgbColour colour);
void DrawSquareOverlay(const DisplaySurface& surface, const SquareOverlay& overlay);

} // namespace velmora::client
