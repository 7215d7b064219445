#pragma once
// A caller-supplied off-screen pixel buffer in one of the three display packings.
// Row 0 of the buffer is the top of the picture; image row y is shown on buffer row
// height − 1 − y, so the frame's row 0 appears at the bottom.
//   Rgb565: 16-bit little-endian words, red in bits 11–15, green 5–10, blue 0–4.
//   Bgr24:  three bytes blue, green, red.
//   Bgrx32: four bytes blue, green, red, 0.

#include "client/image/rgb_colour.h"

#include <cstdint>

namespace velmora::client {

enum class PixelPacking { Rgb565 = 16, Bgr24 = 24, Bgrx32 = 32 };

int bytesPerPixel(PixelPacking packing);
// The pixel word of a colour in a packing (low bytes first in memory).
std::uint32_t packColour(RgbColour colour, PixelPacking packing);

struct DisplaySurface {
    std::uint8_t* pixels = nullptr;
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;
    PixelPacking packing = PixelPacking::Bgrx32;

    // Storage present and lines long enough for width pixels.
    bool isValid() const;
    std::uint8_t* line(int row) const { return pixels + static_cast<std::ptrdiff_t>(row) * bytesPerLine; }
    // Writes a packed pixel at image coordinates; points outside the surface are ignored.
    void putImagePixel(int x, int imageY, std::uint32_t packed) const;
};

} // namespace velmora::client
