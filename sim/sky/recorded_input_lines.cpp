#include "sim/sky/recorded_input_lines.h"

namespace velmora::sim {

void RecordedInputLines::set(unsigned active, TimePoint time)
{
    std::lock_guard lock(m_mutex);
    if (!m_changes.empty() && time < m_changes.back().first)
        time = m_changes.back().first;
    m_changes.emplace_back(time, active);
    if (m_changes.size() > kCapacity) {
        m_initial = m_changes.front().second;
        m_changes.pop_front();
    }
}

unsigned RecordedInputLines::activeAt(TimePoint time) const
{
    std::lock_guard lock(m_mutex);
    unsigned active = m_initial;
    for (const auto& [when, value] : m_changes) {
        if (when > time)
            break;
        active = value;
    }
    return active;
}

std::vector<InputLines::TimePoint> RecordedInputLines::changesBetween(TimePoint from, TimePoint to) const
{
    std::lock_guard lock(m_mutex);
    std::vector<TimePoint> times;
    for (const auto& change : m_changes) {
        if (change.first > from && change.first <= to)
            times.push_back(change.first);
    }
    return times;
}

} // namespace velmora::sim
