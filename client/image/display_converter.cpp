#include "client/image/display_converter.h"

#include "client/image/vector_clones.h"

#include <cstring>

namespace velmora::client {

namespace {

template <PixelPacking Packing>
[[gnu::always_inline]] inline void storeGrey(std::uint8_t* out, std::uint32_t g)
{
    if constexpr (Packing == PixelPacking::Rgb565) {
        const auto word = static_cast<std::uint16_t>((g >> 11) << 11 | ((g >> 10) & 63) << 5 | (g >> 11));
        std::memcpy(out, &word, 2);
    } else if constexpr (Packing == PixelPacking::Bgr24) {
        out[0] = out[1] = out[2] = static_cast<std::uint8_t>(g >> 8);
    } else {
        const std::uint32_t word = (g >> 8) * 0x010101u;
        std::memcpy(out, &word, 4);
    }
}

// The mean of the White planes. For the usual plane counts the rows and the divisor
// are compile-time sized, so the loop vectorises and no division instruction runs.
template <PixelPacking Packing, int Count>
[[gnu::always_inline]] inline void greyRowFixed(std::span<const std::uint16_t* const> rows, int width,
                                                std::uint8_t* out)
{
    constexpr int size = static_cast<int>(Packing) / 8;
    const std::uint16_t* in[Count];
    for (int i = 0; i < Count; ++i)
        in[i] = rows[static_cast<std::size_t>(i)];
    for (int x = 0; x < width; ++x) {
        std::uint32_t sum = 0;
        for (int i = 0; i < Count; ++i)
            sum += in[i][x];
        storeGrey<Packing>(out + x * size, sum / Count);
    }
}

template <PixelPacking Packing>
[[gnu::always_inline]] inline void greyRowAny(std::span<const std::uint16_t* const> rows, int width,
                                              std::uint8_t* out)
{
    switch (rows.size()) {
    case 1:
        return greyRowFixed<Packing, 1>(rows, width, out);
    case 2:
        return greyRowFixed<Packing, 2>(rows, width, out);
    case 3:
        return greyRowFixed<Packing, 3>(rows, width, out);
    default:
        break;
    }
    constexpr int size = static_cast<int>(Packing) / 8;
    const auto count = static_cast<std::uint32_t>(rows.size());
    for (int x = 0; x < width; ++x) {
        std::uint32_t sum = 0;
        for (const std::uint16_t* row : rows)
            sum += row[x];
        storeGrey<Packing>(out + x * size, sum / count);
    }
}

void colourRow565(const std::uint16_t* row, PlaneColour colour, int width, std::uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t s = row[x];
        std::uint32_t bits = 0;
        if (colour == PlaneColour::Blue)
            bits = s >> 11;
        else if (colour == PlaneColour::Green)
            bits = (s >> 5) & 0x7E0;
        else
            bits = s & 0xF800;
        std::uint16_t word;
        std::memcpy(&word, out + 2 * x, 2);
        word = static_cast<std::uint16_t>(word | bits);
        std::memcpy(out + 2 * x, &word, 2);
    }
}

// One pass over the three channel rows (a zero row for a missing colour), bytes
// blue, green, red and, for 32 bits, 0.
template <int Size>
[[gnu::always_inline]] inline void colourRowBytes(const std::uint16_t* blue, const std::uint16_t* green,
                                                  const std::uint16_t* red, int width, std::uint8_t* out)
{
    for (int x = 0; x < width; ++x) {
        const std::uint32_t word = static_cast<std::uint32_t>(blue[x] >> 8) |
                                   static_cast<std::uint32_t>(green[x] >> 8) << 8 |
                                   static_cast<std::uint32_t>(red[x] >> 8) << 16;
        std::memcpy(out + x * Size, &word, Size);
    }
}

// One row of grey pixels; the packing and plane-count templates inline into each clone.
VELMORA_VECTOR_CLONES void greyRow(PixelPacking packing, std::span<const std::uint16_t* const> rows,
                                   int width, std::uint8_t* out)
{
    switch (packing) {
    case PixelPacking::Rgb565:
        return greyRowAny<PixelPacking::Rgb565>(rows, width, out);
    case PixelPacking::Bgr24:
        return greyRowAny<PixelPacking::Bgr24>(rows, width, out);
    case PixelPacking::Bgrx32:
        return greyRowAny<PixelPacking::Bgrx32>(rows, width, out);
    }
}

VELMORA_VECTOR_CLONES void colourRow(int size, const std::uint16_t* blue, const std::uint16_t* green,
                                     const std::uint16_t* red, int width, std::uint8_t* out)
{
    if (size == 3)
        colourRowBytes<3>(blue, green, red, width, out);
    else
        colourRowBytes<4>(blue, green, red, width, out);
}

} // namespace

bool DisplayConverter::convert(const ImageFrame& frame, std::span<const PlaneColour> colours,
                               const DisplaySurface& surface)
{
    if (!surface.isValid() || surface.width != frame.width() || surface.height != frame.height())
        return false;
    m_whitePlanes.clear();
    m_colourPlanes.clear();
    for (int p = 0; p < frame.planeCount(); ++p) {
        const PlaneColour colour = static_cast<std::size_t>(p) < colours.size()
                                       ? colours[static_cast<std::size_t>(p)]
                                       : PlaneColour::White;
        if (colour == PlaneColour::White)
            m_whitePlanes.push_back(p);
        else if (colour != PlaneColour::None)
            m_colourPlanes.emplace_back(p, colour);
    }
    if (!m_whitePlanes.empty())
        convertGrey(frame, surface);
    else
        convertColour(frame, surface);
    return true;
}

void DisplayConverter::convertGrey(const ImageFrame& frame, const DisplaySurface& surface)
{
    m_rows.resize(m_whitePlanes.size());
    for (int y = 0; y < frame.height(); ++y) {
        for (std::size_t i = 0; i < m_whitePlanes.size(); ++i)
            m_rows[i] = frame.row(m_whitePlanes[i], y);
        greyRow(surface.packing, m_rows, frame.width(), surface.line(surface.height - 1 - y));
    }
}

void DisplayConverter::convertColour(const ImageFrame& frame, const DisplaySurface& surface)
{
    if (surface.packing == PixelPacking::Rgb565)
        return convertColour565(frame, surface);
    m_zeroRow.assign(static_cast<std::size_t>(frame.width()), 0);
    for (int y = 0; y < frame.height(); ++y) {
        // For 24 and 32 bits a later plane of the same colour replaces an earlier one.
        const std::uint16_t* channels[3] = {m_zeroRow.data(), m_zeroRow.data(), m_zeroRow.data()};
        for (const auto& [plane, colour] : m_colourPlanes)
            channels[static_cast<int>(colour)] = frame.row(plane, y);
        colourRow(bytesPerPixel(surface.packing), channels[0], channels[1], channels[2], frame.width(),
                  surface.line(surface.height - 1 - y));
    }
}

void DisplayConverter::convertColour565(const ImageFrame& frame, const DisplaySurface& surface)
{
    // Every coloured plane ORs its bits into the word.
    for (int y = 0; y < frame.height(); ++y) {
        std::uint8_t* out = surface.line(surface.height - 1 - y);
        std::memset(out, 0, static_cast<std::size_t>(frame.width()) * 2);
        for (const auto& [plane, colour] : m_colourPlanes)
            colourRow565(frame.row(plane, y), colour, frame.width(), out);
    }
}

} // namespace velmora::client
