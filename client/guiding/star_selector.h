#pragma once
// What a user does by eye before guiding, for a guider without a screen: learn the
// sky background's level of each plane (its median plus three robust standard
// deviations, so noise does not pull the centroid) and find the brightest star (the
// largest 3 × 3 sum of the weights above those levels less its largest weight, so a
// lone hot pixel loses to a star however bright it is).

#include "client/image/image_frame.h"
#include "client/image/measurement_tool.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora::client {

struct StarPosition {
    int x = 0;
    int y = 0;
};

class StarSelector {
public:
    // Background thresholds per plane, 0…65535.
    static std::vector<std::uint16_t> backgroundThresholds(const ImageFrame& frame);
    // The brightest star above the thresholds; none when nothing rises above them.
    static std::optional<StarPosition> brightestStar(const ImageFrame& frame,
                                                     const std::vector<std::uint16_t>& thresholds);
    // What the user does by eye on a tool: the sky level as its thresholds when none is
    // stored, then the square on the brightest star (or on `at`); false without one.
    static bool placeSquare(MeasurementTool& tool, const ImageFrame& frame, std::optional<StarPosition> at);
};

} // namespace velmora::client
