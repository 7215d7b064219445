#pragma once
// A borrowed full frame of interleaved blue, green, red samples: bytes of one video
// frame, or the 32-bit sums of several frames. `stride` counts samples from one row to
// the next (at least 3 x width; more when rows are padded).

#include <cstddef>
#include <cstdint>

namespace velmora::server {

template <typename Sample> struct SampleView {
    const Sample* data = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t stride = 0;

    bool valid() const
    {
        return data && width > 0 && height > 0 && stride >= 3 * static_cast<std::ptrdiff_t>(width);
    }
    const Sample* row(int y) const { return data + stride * y; }
};

using FrameBytes = SampleView<std::uint8_t>;
using FrameSums = SampleView<std::int32_t>;

// The part of the frame that becomes the image: output (x, y) is frame (startX + x, startY + y).
struct SubFrame {
    int startX = 0;
    int startY = 0;
    int numX = 0;
    int numY = 0;

    template <typename Sample> bool fitsIn(const SampleView<Sample>& frame) const
    {
        return startX >= 0 && startY >= 0 && numX > 0 && numY > 0 && numX <= frame.width - startX &&
               numY <= frame.height - startY;
    }
};

} // namespace velmora::server
