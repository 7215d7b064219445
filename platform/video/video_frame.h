#pragma once
// One captured frame as the capture pipeline delivers it: packed 24-bit pixels, bytes
// blue, green, red, rows top to bottom, `stride` bytes from one row to the next (at
// least 3 x width; more when the device pads its rows). Valid only during the call
// that delivers it.

#include <cstddef>
#include <cstdint>

namespace velmora::platform {

struct VideoFrame {
    const std::uint8_t* data = nullptr;
    int width = 0;
    int height = 0;
    std::size_t stride = 0;
    // Counts the frames of one streaming run from 0.
    std::uint64_t sequence = 0;
};

} // namespace velmora::platform
