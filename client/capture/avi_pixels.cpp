#include "client/capture/avi_pixels.h"

#include <algorithm>

namespace velmora::client {

bool AviPixelConverter::convert(const ImageFrame& frame, const PixelRect& region, const PlaneColours& colours,
                                std::span<std::uint8_t> pixels)
{
    if (region.isEmpty() || pixels.size() < static_cast<std::size_t>(region.area()) * 4u)
        return false;
    std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
    const PixelRect inside = region.clippedTo(frame.width(), frame.height());
    if (inside.isEmpty())
        return true;
    m_white.clear();
    for (int p = 0; p < frame.planeCount(); ++p) {
        if (colours.colour(p) == PlaneColour::White)
            m_white.push_back(p);
    }
    const auto stride = static_cast<std::size_t>(region.width()) * 4u;
    const auto count = static_cast<std::size_t>(inside.width());
    auto rowStart = [&](int y) {
        return pixels.data() + static_cast<std::size_t>(y - region.top) * stride +
               static_cast<std::size_t>(inside.left - region.left) * 4u;
    };
    if (!m_white.empty()) {
        const auto planes = static_cast<std::uint32_t>(m_white.size());
        m_sums.resize(count);
        for (int y = inside.top; y < inside.bottom; ++y) {
            std::fill(m_sums.begin(), m_sums.end(), 0u);
            for (int p : m_white) {
                const std::uint16_t* source = frame.row(p, y) + inside.left;
                for (std::size_t i = 0; i < count; ++i)
                    m_sums[i] += source[i];
            }
            std::uint8_t* target = rowStart(y);
            for (std::size_t i = 0; i < count; ++i, target += 4) {
                const auto grey = static_cast<std::uint8_t>((m_sums[i] / planes) >> 8u);
                target[0] = target[1] = target[2] = grey;
            }
        }
        return true;
    }
    for (int p = 0; p < frame.planeCount(); ++p) {
        const PlaneColour colour = colours.colour(p);
        if (colour == PlaneColour::None)
            continue;
        const auto channel = static_cast<std::size_t>(colour); // 0 blue, 1 green, 2 red
        for (int y = inside.top; y < inside.bottom; ++y) {
            const std::uint16_t* source = frame.row(p, y) + inside.left;
            std::uint8_t* target = rowStart(y) + channel;
            for (std::size_t i = 0; i < count; ++i, target += 4)
                *target = static_cast<std::uint8_t>(source[i] >> 8u);
        }
    }
    return true;
}

} // namespace velmora::client
