#include "sim/sky/sky_simulator_source.h"

#include <algorithm>
#include <array>

namespace velmora::sim {

namespace {

platform::VideoControl integerControl(std::uint32_t id, const char* name, std::int32_t minimum,
                                      std::int32_t maximum, std::int32_t defaultValue)
{
    platform::VideoControl c;
    c.id = id;
    c.name = name;
    c.minimum = minimum;
    c.maximum = maximum;
    c.defaultValue = defaultValue;
    return c;
}

} // namespace

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
    std::vector<platform::FrameSizeOption> options;
    for (auto [width, height] : {std::pair{320, 240}, {640, 480}, {800, 600}, {1280, 720}, {1920, 1080}})
        options.push_back({width, height, periods, "BGR24"});
    return options;
}

std::vector<platform::VideoControl> SkySimulatorSource::controls() const
{
    platform::VideoControl flip = integerControl(kHorizontalFlip, "Horizontal Flip", 0, 1, 0);
    flip.type = platform::VideoControlType::Boolean;
    return {integerControl(kBrightness, "Brightness", -128, 128, 0),
            integerControl(kGain, "Gain", 0, 400, 100), flip};
}

template <class Self> auto* SkySimulatorSource::controlSlot(Self& self, std::uint32_t id)
{
    using Slot = decltype(&self.m_gain);
    switch (id) {
    case kBrightness:
        return &self.m_brightness;
    case kGain:
        return &self.m_gain;
    case kHorizontalFlip:
        return &self.m_flip;
    default:
        return Slot{nullptr};
    }
}

std::optional<std::int32_t> SkySimulatorSource::controlValue(std::uint32_t id) const
{
    const auto* slot = controlSlot(*this, id);
    if (!slot)
        return std::nullopt;
    return slot->load();
}

bool SkySimulatorSource::setControl(std::uint32_t id, std::int32_t value)
{
    for (const platform::VideoControl& c : controls()) {
        if (c.id != id)
            continue;
        if (value < c.minimum || value > c.maximum)
            return false;
        controlSlot(*this, id)->store(value);
        return true;
    }
    return false;
}

void SkySimulatorSource::applyControls()
{
    const std::int32_t brightness = m_brightness.load();
    const std::int32_t gain = m_gain.load();
    const bool flip = m_flip.load() != 0;
    if (brightness == 0 && gain == 100 && !flip)
        return;
    std::array<std::uint8_t, 256> level{};
    for (int v = 0; v < 256; ++v)
        level[static_cast<std::size_t>(v)] =
            static_cast<std::uint8_t>(std::clamp(v * gain / 100 + brightness, 0, 255));
    const int width = m_format.width;
    for (int y = 0; y < m_format.height; ++y) {
        std::uint8_t* row = m_frame.data() + stride() * static_cast<std::size_t>(y);
        for (int x = 0; x < 3 * width; ++x)
            row[x] = level[row[x]];
        if (!flip)
            continue;
        for (int left = 0, right = width - 1; left < right; ++left, --right)
            std::swap_ranges(row + 3 * left, row + 3 * left + 3, row + 3 * right);
    }
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
    applyControls();
    sink.deliverFrame({m_frame.data(), m_format.width, m_format.height, stride(), m_sequence++});
    return platform::FrameResult::Delivered;
}

void SkySimulatorSource::releaseBuffers()
{
    if (!m_streaming)
        m_frame = {};
}

} // namespace velmora::sim
