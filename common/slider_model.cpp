#include "common/slider_model.h"

#include <algorithm>

namespace velmora::common {

void SliderModel::setRange(std::int32_t minimum, std::int32_t maximum)
{
    m_minimum = std::min(minimum, maximum);
    m_maximum = std::max(minimum, maximum);
    m_position = std::clamp(m_position, m_minimum, m_maximum);
}

void SliderModel::setPosition(std::int32_t position)
{
    m_position = std::clamp(position, m_minimum, m_maximum);
}

bool SliderModel::takeShownPosition(std::int32_t shown)
{
    shown = std::clamp(shown, m_minimum, m_maximum);
    if (shown == m_position)
        return false;
    m_position = shown;
    return true;
}

} // namespace velmora::common
