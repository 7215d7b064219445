#include "client/devices/indi/timed_guide.h"

#include <array>

namespace velmora::client::indi {

namespace {

constexpr const char* kNorthSouth = "TELESCOPE_TIMED_GUIDE_NS";
constexpr const char* kWestEast = "TELESCOPE_TIMED_GUIDE_WE";

struct GuideAxis {
    const char* property;
    const char* element; // the direction's
    const char* opposite;
};

constexpr std::array<GuideAxis, 4> kDirections = {{
    {kNorthSouth, "TIMED_GUIDE_N", "TIMED_GUIDE_S"},
    {kNorthSouth, "TIMED_GUIDE_S", "TIMED_GUIDE_N"},
    {kWestEast, "TIMED_GUIDE_E", "TIMED_GUIDE_W"},
    {kWestEast, "TIMED_GUIDE_W", "TIMED_GUIDE_E"},
}};

} // namespace

bool TimedGuide::canPulseGuide() const
{
    return m_device.isConnected() && m_device.has(kNorthSouth) && m_device.has(kWestEast);
}

DriverError TimedGuide::pulseGuide(std::int32_t direction, std::int32_t durationMs)
{
    if (durationMs < 0)
        return DriverError::InvalidDuration;
    if (durationMs == 0)
        return DriverError::None;
    if (DriverError error = m_device.requireConnected(); error != DriverError::None)
        return error;
    if (direction < 0 || direction >= static_cast<std::int32_t>(kDirections.size()))
        return DriverError::InvalidValue;
    const GuideAxis& axis = kDirections[static_cast<std::size_t>(direction)];
    const std::optional<PropertyCopy> property = m_device.property(axis.property);
    if (!property)
        return DriverError::NotSupported;
    // A pulse longer than the device takes is refused, not cut short.
    auto range = property->numbers.find(axis.element);
    if (range == property->numbers.end())
        return DriverError::NotSupported;
    if (range->second.max > 0 && durationMs > range->second.max)
        return DriverError::InvalidDuration;
    return m_device.send(axis.property, {{axis.element, durationMs}, {axis.opposite, 0}},
                         std::chrono::milliseconds(durationMs));
}

bool TimedGuide::isPulseGuiding() const
{
    return m_device.isBusy(kNorthSouth) || m_device.isBusy(kWestEast);
}

} // namespace velmora::client::indi
