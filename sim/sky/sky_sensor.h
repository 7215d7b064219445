#pragma once
// The sensor of one simulated camera: each frame shows the sky over the frame period
// before it. While the camera's exposure lines are active the sensor integrates and
// its frames stay dark; the first frame read out after they are released carries the
// whole integrated signal (the frame the camera's "brightest of five" picks).

#include "sim/sky/sky_model.h"
#include "sim/sky/sky_renderer.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace velmora::sim {

class SkySensor {
public:
    using TimePoint = SimClock::TimePoint;
    enum class FrameKind { Normal, Integrating, Integrated };

    SkySensor(SkyModel& model, std::chrono::nanoseconds framePeriod, std::uint64_t seed);

    // Draws the frame read out at `time` into `bgr` (width x height, `stride` bytes a row).
    FrameKind capture(TimePoint time, int width, int height, std::uint8_t* bgr, std::size_t stride);
    // The signal of the last frame in frame periods (1 for a plain frame, 0 while integrating).
    double lastGain() const { return m_lastGain; }

private:
    SkyModel& m_model;
    std::chrono::nanoseconds m_period;
    SkyRenderer m_renderer;
    std::optional<TimePoint> m_previous;
    // The integration so far: its length and its pointing summed over time (seconds x arcsec).
    std::chrono::nanoseconds m_integrated{0};
    SkyOffset m_pointingTime;
    double m_lastGain = 0.0;
};

} // namespace velmora::sim
