#pragma once
// Capture formats: what the camera asks a device for, what it gets, and what a device
// offers on its format page.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora::platform {

// Frame size in pixels and frame period in 100-nanosecond units (2000000 = 5 frames
// per second). Heights are always positive here.
struct VideoFormat {
    int width = 0;
    int height = 0;
    std::uint32_t framePeriod = 0;

    bool operator==(const VideoFormat&) const = default;
};

// One frame size a device offers in one of its pixel formats, with the frame periods
// it offers at that size (empty when the device does not say). Whatever the pixel
// format, frames reach the camera converted to packed BGR24: the pixel format only
// says which sizes and rates the device itself can send.
struct FrameSizeOption {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> framePeriods;
    // The device's own name of the pixel format ("YUYV 4:2:2", "Motion-JPEG").
    std::string pixelFormat;

    bool operator==(const FrameSizeOption&) const = default;
};

} // namespace velmora::platform
