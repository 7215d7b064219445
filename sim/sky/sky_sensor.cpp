#include "sim/sky/sky_sensor.h"

#include <algorithm>

namespace velmora::sim {

SkySensor::SkySensor(SkyModel& model, std::chrono::nanoseconds framePeriod, std::uint64_t seed)
    : m_model(model), m_period(std::max(framePeriod, std::chrono::nanoseconds(1))), m_renderer(seed)
{
}

SkySensor::FrameKind SkySensor::capture(TimePoint time, int width, int height, std::uint8_t* bgr,
                                        std::size_t stride)
{
    const TimePoint from = m_previous.value_or(time - m_period);
    m_previous = time;
    SkyOffset pointing = m_model.pointingAt(time);
    const SkyOffset seeing = m_model.seeingSample();
    pointing.east += seeing.east;
    pointing.north += seeing.north;
    const double sigma = m_model.starSigma();
    const SkyParameters& p = m_model.parameters();

    const std::chrono::nanoseconds active = m_model.exposureActiveDuring(from, time);
    if (active.count() > 0) {
        const double seconds = std::chrono::duration<double>(active).count();
        m_integrated += active;
        m_pointingTime.east += pointing.east * seconds;
        m_pointingTime.north += pointing.north * seconds;
    }
    if (m_model.exposureActiveAt(time)) {
        m_lastGain = 0.0;
        m_renderer.render({}, 0.0, p.noiseLevel(), 0.0, width, height, bgr, stride);
        return FrameKind::Integrating;
    }
    FrameKind kind = FrameKind::Normal;
    m_lastGain = 1.0;
    if (m_integrated.count() > 0) {
        // Released since the last frame: the star where it was on average, all the signal at once.
        const double seconds = std::chrono::duration<double>(m_integrated).count();
        pointing = {m_pointingTime.east / seconds, m_pointingTime.north / seconds};
        m_lastGain = std::max(1.0, std::chrono::duration<double>(m_integrated) / m_period);
        m_integrated = std::chrono::nanoseconds(0);
        m_pointingTime = {};
        kind = FrameKind::Integrated;
    }
    m_renderer.render(m_model.starsInFrame(width, height, pointing, sigma), p.background, p.noiseLevel(),
                      m_lastGain, width, height, bgr, stride);
    return kind;
}

} // namespace velmora::sim
