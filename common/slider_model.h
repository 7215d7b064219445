#pragma once
// The slider's stored position, range and change detection, without a toolkit.

#include <cstdint>

namespace velmora::common {

class SliderModel {
public:
    void setRange(std::int32_t minimum, std::int32_t maximum);
    std::int32_t minimum() const { return m_minimum; }
    std::int32_t maximum() const { return m_maximum; }

    // Programmatic set: clamped, no notification.
    void setPosition(std::int32_t position);
    std::int32_t position() const { return m_position; }

    // The control now shows `shown` (the user dragged it): true when that differs
    // from the stored position, which then follows it.
    bool takeShownPosition(std::int32_t shown);

private:
    std::int32_t m_minimum = 0;
    std::int32_t m_maximum = 100;
    std::int32_t m_position = 0;
};

} // namespace velmora::common
