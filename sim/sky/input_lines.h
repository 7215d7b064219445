#pragma once
// What the sky model reads from the simulated hardware, without knowing the hardware:
// a set of on/off inputs over time (the guide directions held on the mount, the
// camera's exposure lines) and the focuser's position.
//
// Guide inputs: bit d for direction code d (0 North, 1 South, 2 East, 3 West).
// Exposure inputs: bit 0 while the camera's sensor integrates.

#include "sim/sky/sim_clock.h"

#include <vector>

namespace velmora::sim {

class InputLines {
public:
    using TimePoint = SimClock::TimePoint;

    virtual ~InputLines() = default;
    // The inputs active at `time` (after every change made at or before it).
    virtual unsigned activeAt(TimePoint time) const = 0;
    // The times in (from, to] at which the inputs changed, oldest first. An input that
    // knows only its present state returns none and is then sampled at frame times.
    virtual std::vector<TimePoint> changesBetween(TimePoint from, TimePoint to) const = 0;
};

class FocuserInput {
public:
    virtual ~FocuserInput() = default;
    // The focuser's position now, in steps.
    virtual int position() = 0;
};

enum GuideInput : unsigned {
    kGuideNorth = 1u << 0,
    kGuideSouth = 1u << 1,
    kGuideEast = 1u << 2,
    kGuideWest = 1u << 3
};
constexpr unsigned kExposureActive = 1u;

} // namespace velmora::sim
