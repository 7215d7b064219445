#pragma once
// A rectangle of image pixels, right and bottom exclusive, as the measurement
// square is kept. Coordinates may lie outside the image; users clip before reading.

#include <algorithm>

namespace velmora::client {

struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    // Pixel count of a non-empty rectangle, 0 otherwise.
    long long area() const { return isEmpty() ? 0 : static_cast<long long>(width()) * height(); }
    // Integer centre, division truncating toward zero.
    int centreX() const { return (left + right) / 2; }
    int centreY() const { return (top + bottom) / 2; }

    void moveBy(int dx, int dy)
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }

    // The part inside (0, 0, width, height); empty rectangles come back as (0, 0, 0, 0).
    PixelRect clippedTo(int imageWidth, int imageHeight) const
    {
        PixelRect r{std::max(left, 0), std::max(top, 0), std::min(right, imageWidth),
                    std::min(bottom, imageHeight)};
        return r.isEmpty() ? PixelRect{} : r;
    }

    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

} // namespace velmora::client
