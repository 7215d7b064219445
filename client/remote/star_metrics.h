#pragma once
// What an imaging program is told about the guide star on each frame, measured in
// the tracking square over every plane: the star's mass (the sum of the weights
// above each plane's threshold), its signal-to-noise ratio against the square's
// background, and its half-flux diameter in pixels. A square with no weight above
// the thresholds holds no star: the star is lost.

#include "client/image/image_frame.h"
#include "client/image/pixel_rect.h"

#include <cstdint>
#include <span>

namespace velmora::client::remote {

struct StarMetrics {
    bool found = false;
    double mass = 0.0;
    double snr = 0.0;
    double hfdPixels = 0.0;
};

StarMetrics measureStar(const ImageFrame& frame, const PixelRect& square,
                        std::span<const std::uint16_t> thresholds, double centroidX, double centroidY);

} // namespace velmora::client::remote
