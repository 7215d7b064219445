#pragma once
// A frame region as the 32-bit pixels of a video frame: blue, green, red, 0 per
// pixel, pixel (x, y) at (y − top) × w × 4 + (x − left) × 4, by the plane colours.
// With any White plane, blue = green = red = the mean of the White planes' samples
// shifted right by 8 and the other planes are ignored; otherwise each plane that is
// not None puts its sample's high byte into its colour's byte (a later plane of the
// same colour wins) and channels without a plane stay 0.

#include "client/image/image_frame.h"
#include "client/image/pixel_rect.h"
#include "client/image/plane_colours.h"

#include <cstdint>
#include <span>
#include <vector>

namespace velmora::client {

class AviPixelConverter {
public:
    // The buffer is cleared first; the region is clipped to the frame. The buffer
    // must hold region width × height × 4 bytes (false, nothing written, otherwise).
    bool convert(const ImageFrame& frame, const PixelRect& region, const PlaneColours& colours,
                 std::span<std::uint8_t> pixels);

private:
    std::vector<std::uint32_t> m_sums; // one row of White sums, kept between frames
    std::vector<int> m_white;
};

} // namespace velmora::client
