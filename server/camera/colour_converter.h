#pragma once
// The four colour conversions of the camera ("Graying", "Luminosity", "Original",
// "Debayerization"): a sub-frame of a full blue-green-red frame becomes the 32-bit
// image the clients read. Integer arithmetic throughout; every division truncates and a
// product with a coefficient is formed before its division.
//
// Runs on the capture streaming thread with the camera locked: no allocation except
// when the image changes shape.

#include "server/camera/colour_image.h"
#include "server/camera/colour_settings.h"
#include "server/camera/sample_view.h"

#include <cstdint>

namespace velmora::server {

class ColourConverter {
public:
    // Converts the sub-frame of one video frame into `image` (reshaped to numX x numY
    // and the mode's plane count). False, with the image untouched, when the frame view
    // is malformed or the sub-frame does not lie inside it.
    static bool convert(const FrameBytes& frame, const SubFrame& sub, const ColourSettings& settings,
                        ColourImage& image);
    // The same for the sums of several frames; every sum lies within [-maxSum, maxSum]
    // (255 x frames summed), which decides whether 32-bit arithmetic is exact.
    static bool convert(const FrameSums& sums, std::int64_t maxSum, const SubFrame& sub,
                        const ColourSettings& settings, ColourImage& image);
};

} // namespace velmora::server
