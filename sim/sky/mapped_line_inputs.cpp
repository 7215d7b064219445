#include "sim/sky/mapped_line_inputs.h"

namespace velmora::sim {

MappedLineInputs::MappedLineInputs(LevelsAt levelsAt, ChangeTimes changeTimes, std::vector<Binding> bindings)
    : m_levelsAt(std::move(levelsAt)), m_changeTimes(std::move(changeTimes)), m_bindings(std::move(bindings))
{
}

bool MappedLineInputs::atRest(const Binding& binding, std::uint8_t levels) const
{
    const bool high = (levels >> (binding.line & 7)) & 1;
    return high != binding.activeHigh;
}

bool MappedLineInputs::seenAtRest(const Binding& binding, TimePoint time) const
{
    if (atRest(binding, m_levelsAt(TimePoint::min())))
        return true;
    for (TimePoint change : m_changeTimes(TimePoint::min(), time)) {
        if (atRest(binding, m_levelsAt(change)))
            return true;
    }
    return false;
}

unsigned MappedLineInputs::activeAt(TimePoint time) const
{
    const std::uint8_t levels = m_levelsAt(time);
    unsigned active = 0;
    for (std::size_t n = 0; n < m_bindings.size(); ++n) {
        if (!atRest(m_bindings[n], levels) && seenAtRest(m_bindings[n], time))
            active |= 1u << n;
    }
    return active;
}

std::vector<InputLines::TimePoint> MappedLineInputs::changesBetween(TimePoint from, TimePoint to) const
{
    return m_changeTimes(from, to);
}

} // namespace velmora::sim
