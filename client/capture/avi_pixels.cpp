#include "client/capture/avi_pixels.h"

#include <algorithm>
#include <cstring>

namespace velmora::client {

namespace {

// Blue = green = red = the value's high byte, and 0: one little-endian word a pixel.
template <typename Value>
void writeGrey(const Value* __restrict values, std::uint8_t* __restrict target, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint32_t word = (static_cast<std::uint32_t>(values[i] >> 8u) & 0xFFu) * 0x010101u;
        std::memcpy(target + 4 * i, &word, 4); // little-endian: blue, green, red, 0
    }
}

} // namespace

bool AviPixelConverter::convert(const ImageFrame& frame, const PixelRect& region, const PlaneColours& colours,
                                std::span<std::uint8_t> pixels)
{
    if (region.isEmpty() || pixels.size() < static_cast<std::size_t>(region.area()) * 4u)
        return false;
    const PixelRect inside = region.clippedTo(frame.width(), frame.height());
    m_white.clear();
    for (int p = 0; p < frame.planeCount(); ++p) {
        if (colours.colour(p) == PlaneColour::White)
            m_white.push_back(p);
    }
    // Grey pixels are written whole, alpha included: only a region past the frame's
    // edge leaves bytes that need clearing.
    if (inside != region || m_white.empty())
        std::fill(pixels.begin(), pixels.end(), std::uint8_t{0});
    if (inside.isEmpty())
        return true;
    const auto stride = static_cast<std::size_t>(region.width()) * 4u;
    const auto count = static_cast<std::size_t>(inside.width());
    auto rowStart = [&](int y) {
        return pixels.data() + static_cast<std::size_t>(y - region.top) * stride +
               static_cast<std::size_t>(inside.left - region.left) * 4u;
    };
    if (m_white.size() == 1) {
        for (int y = inside.top; y < inside.bottom; ++y)
            writeGrey(frame.row(m_white[0], y) + inside.left, rowStart(y), count);
        return true;
    }
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
            for (std::size_t i = 0; i < count; ++i)
                m_sums[i] /= planes;
            writeGrey(m_sums.data(), rowStart(y), count);
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
