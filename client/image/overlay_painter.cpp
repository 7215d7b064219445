#include "client/image/overlay_painter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace velmora::client {

namespace {

// Cohen–Sutherland clipping of a segment to [0, w−1] × [0, h−1], so a line whose
// ends lie far outside costs no more than one across the surface.
bool clipSegment(double& x0, double& y0, double& x1, double& y1, double maxX, double maxY)
{
    enum { Left = 1, Right = 2, Below = 4, Above = 8 };
    auto code = [&](double x, double y) {
        return (x < 0 ? Left : x > maxX ? Right : 0) | (y < 0 ? Below : y > maxY ? Above : 0);
    };
    int c0 = code(x0, y0);
    int c1 = code(x1, y1);
    while (c0 | c1) {
        if (c0 & c1)
            return false;
        const int out = c0 ? c0 : c1;
        double x = 0;
        double y = 0;
        if (out & Above) {
            x = x0 + (x1 - x0) * (maxY - y0) / (y1 - y0);
            y = maxY;
        } else if (out & Below) {
            x = x0 + (x1 - x0) * (0 - y0) / (y1 - y0);
            y = 0;
        } else if (out & Right) {
            y = y0 + (y1 - y0) * (maxX - x0) / (x1 - x0);
            x = maxX;
        } else {
            y = y0 + (y1 - y0) * (0 - x0) / (x1 - x0);
            x = 0;
        }
        if (out == c0) {
            x0 = x;
            y0 = y;
            c0 = code(x0, y0);
        } else {
            x1 = x;
            y1 = y;
            c1 = code(x1, y1);
        }
    }
    return true;
}

void bresenham(const DisplaySurface& surface, int x0, int y0, int x1, int y1, std::uint32_t packed)
{
    const int dx = std::abs(x1 - x0);
    const int dy = -std::abs(y1 - y0);
    const int stepX = x0 < x1 ? 1 : -1;
    const int stepY = y0 < y1 ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        surface.putImagePixel(x0, y0, packed);
        if (x0 == x1 && y0 == y1)
            break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x0 += stepX;
        }
        if (twice <= dx) {
            error += dx;
            y0 += stepY;
        }
    }
}

} // namespace

void DrawLine(const DisplaySurface& surface, int x0, int y0, int x1, int y1, RgbColour colour)
{
    if (!surface.isValid())
        return;
    const std::uint32_t packed = packColour(colour, surface.packing);
    double ax = x0, ay = y0, bx = x1, by = y1;
    if (!clipSegment(ax, ay, bx, by, surface.width - 1, surface.height - 1))
        return;
    bresenham(surface, static_cast<int>(std::lround(ax)), static_cast<int>(std::lround(ay)),
              static_cast<int>(std::lround(bx)), static_cast<int>(std::lround(by)), packed);
}

void DrawRectOutline(const DisplaySurface& surface, const PixelRect& rect, RgbColour colour, bool diagonals)
{
    if (rect.isEmpty())
        return;
    const int right = rect.right - 1;
    const int bottom = rect.bottom - 1;
    DrawLine(surface, rect.left, rect.top, right, rect.top, colour);
    DrawLine(surface, rect.left, bottom, right, bottom, colour);
    DrawLine(surface, rect.left, rect.top, rect.left, bottom, colour);
    DrawLine(surface, right, rect.top, right, bottom, colour);
    if (diagonals) {
        DrawLine(surface, rect.left, rect.top, right, bottom, colour);
        DrawLine(surface, right, rect.top, rect.left, bottom, colour);
    }
}

void DrawPlusMark(const DisplaySurface& surface, int x, int y, RgbColour colour)
{
    DrawLine(surface, x - 3, y, x + 3, y, colour);
    DrawLine(surface, x, y - 3, x, y + 3, colour);
}

void DrawSquareOverlay(const DisplaySurface& surface, const SquareOverlay& overlay)
{
    DrawRectOutline(surface, overlay.square, overlay.colour, overlay.crossed);
    if (overlay.showMark)
        DrawPlusMark(surface, overlay.markX, overlay.markY, overlay.colour);
}

} // namespace velmora::client
