#include "client/image/histogram_stretch.h"

#include "client/image/full_scale_ratio.h"
#include "client/image/vector_clones.h"

#include <algorithm>
#include <cstdint>

namespace velmora::client {

namespace {

// Levels with nothing between them: everything is black or white.
VELMORA_VECTOR_CLONES void thresholdPlane(const std::uint16_t* in, std::uint16_t* out, std::size_t count,
                                          std::int32_t black)
{
    for (std::size_t i = 0; i < count; ++i)
        out[i] = in[i] <= black ? 0 : 65535;
}

// Kept out of line (a clone is never inlined): once the caller's range test is
// visible, GCC turns the clamps into branches and no longer vectorises the loop.
VELMORA_VECTOR_CLONES void stretchRange(const std::uint16_t* in, std::uint16_t* out, std::size_t count,
                                        std::uint16_t black, std::uint16_t range)
{
    const FullScaleRatio scale(range);
    for (std::size_t i = 0; i < count; ++i) {
        // t clamped to 0…range already gives 0 at and below black and 65535 at and above white.
        const std::uint16_t s = in[i];
        const auto t = std::min(static_cast<std::uint16_t>(s > black ? s - black : 0), range);
        out[i] = scale(t);
    }
}

void stretchPlane(const std::uint16_t* in, std::uint16_t* out, std::size_t count, LevelPair levels)
{
    const std::int32_t black = levels.black;
    const std::int32_t white = levels.white;
    if (white <= black + 1)
        thresholdPlane(in, out, count, black);
    else
        stretchRange(in, out, count, levels.black, static_cast<std::uint16_t>(white - black));
}

} // namespace

bool StretchFrame(const ImageFrame& source, ImageFrame& target, std::span<const LevelPair> levels)
{
    if (!target.sameDimensions(source))
        return false;
    const auto count = static_cast<std::size_t>(source.planeSize());
    for (int p = 0; p < source.planeCount(); ++p) {
        if (static_cast<std::size_t>(p) < levels.size())
            stretchPlane(source.plane(p), target.plane(p), count, levels[static_cast<std::size_t>(p)]);
        else if (&source != &target)
            std::copy_n(source.plane(p), count, target.plane(p));
    }
    return true;
}

} // namespace velmora::client
