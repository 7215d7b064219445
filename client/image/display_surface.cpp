#include "client/image/display_surface.h"

#include <cstring>

namespace velmora::client {

int bytesPerPixel(PixelPacking packing)
{
    return static_cast<int>(packing) / 8;
}

std::uint32_t packColour(RgbColour colour, PixelPacking packing)
{
    if (packing == PixelPacking::Rgb565)
        return static_cast<std::uint32_t>((colour.red >> 3) << 11 | (colour.green >> 2) << 5 |
                                          (colour.blue >> 3));
    return static_cast<std::uint32_t>(colour.blue | colour.green << 8 | colour.red << 16);
}

bool DisplaySurface::isValid() const
{
    if (pixels == nullptr || width <= 0 || height <= 0)
        return false;
    return static_cast<long long>(bytesPerLine) >= static_cast<long long>(width) * bytesPerPixel(packing);
}

void DisplaySurface::putImagePixel(int x, int imageY, std::uint32_t packed) const
{
    if (x < 0 || x >= width || imageY < 0 || imageY >= height)
        return;
    const int size = bytesPerPixel(packing);
    std::uint8_t bytes[4] = {static_cast<std::uint8_t>(packed), static_cast<std::uint8_t>(packed >> 8),
                             static_cast<std::uint8_t>(packed >> 16), 0};
    std::memcpy(line(height - 1 - imageY) + static_cast<std::ptrdiff_t>(x) * size, bytes,
                static_cast<std::size_t>(size));
}

} // namespace velmora::client
