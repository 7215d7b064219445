#include "sim/sky/sky_simulator_source.h"

#include <algorithm>

namespace velmora::sim {

SkySimulatorSource::SkySimulatorSource(SkyModel& model, SimClock& clock,
                                       const platform::VideoFormat& requested)
    : m_model(model), m_clock(clock), m_format(supportedFormat(requested)),
      m_sensor(std::make_unique<SkySensor>(model, period(), model.nextSensorSeed()))
{
}

platform::VideoFormat SkySimulatorSource::supportedFormat(const platform::VideoFormat& requested)
{
    platform::VideoFormat f = requested;
    if (f.width <= 0 || f.height <= 0) {
        f.width = kDefaultFormat.width;
        f.height = kDefaultFormat.height;
    }
    if (f.framePeriod == 0)
        f.framePeriod = kDefaultFormat.framePeriod;
    f.width = std::clamp(f.width, kMinDimension, kMaxDimension);
    f.height = std::clamp(f.height, kMinDimension, kMaxDimension);
    f.framePeriod = std::clamp(f.framePeriod, kMinPeriod, kMaxPeriod);
    return f;
}

std::vector<platform::FrameSizeOption> SkySimulatorSource::formatOptions() const
{
    const std::vector<std::uint32_t> periods = {333'333,   666'666,   1'000'000,
                                                2'000'000, 5'000'000, 10'000'000};
    return {{320, 240, periods},
            {640, 480, periods},
            {800, 600, periods},
            {1280, 720, periods},
            {1920, 1080, periods}};
}

bool SkySimulatorSource::setFormat(const platform::VideoFormat& wanted)
{
    if (m_streaming)
        return false;
    m_format = supportedFormat(wanted);
    m_sensor = std::make_unique<SkySensor>(m_model, period(), m_model.nextSensorSeed());
    m_frame.clear();
    return true;
}

bool SkySimulatorSource::startStreaming()
{
    m_frame.resize(stride() * static_cast<std::size_t>(m_format.height));
    m_next = m_clock.now() + period();
    m_sequence = 0;
    m_streaming = true;
    return true;
}

platform::FrameResult SkySimulatorSource::deliverNext(platform::FrameSink& sink, std::stop_token stop)
{
    if (!m_streaming || m_frame.empty())
        return platform::FrameResult::Failed;
    if (!m_clock.waitUntil(m_next, stop))
        return platform::FrameResult::Stopped;
    const SimClock::TimePoint readout = m_next;
    m_next += period();
    // A consumer slower than the frame rate loses frames instead of falling behind.
    const SimClock::TimePoint now = m_clock.now();
    if (now >= m_next)
        m_next = now + period();
    m_sensor->capture(readout, m_format.width, m_format.height, m_frame.data(), stride());
    sink.deliverFrame({m_frame.data(), m_format.width, m_format.height, stride(), m_sequence++});
    return platform::FrameResult::Delivered;
}

void SkySimulatorSource::releaseBuffers()
{
    if (!m_streaming)
        m_frame = {};
}

} // namespace velmora::sim
