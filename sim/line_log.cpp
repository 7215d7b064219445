#include "sim/line_log.h"

namespace velmora::sim {

LineLog::LineLog(std::uint8_t initial, Clock clock) : m_clock(std::move(clock)), m_value(initial)
{
    if (!m_clock)
        m_clock = [] { return std::chrono::steady_clock::now(); };
}

void LineLog::set(std::uint8_t value)
{
    {
        std::lock_guard lock(m_mutex);
        if (value == m_value)
            return;
        m_changes.push_back({m_clock(), m_value, value});
        if (m_changes.size() > kCapacity)
            m_changes.pop_front();
        m_value = value;
        ++m_changeCount;
    }
    m_changed.notify_all();
}

bool LineLog::waitFor(const std::function<bool(std::uint8_t lines)>& holds,
                      std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return holds(m_value); });
}

std::uint8_t LineLog::value() const
{
    std::lock_guard lock(m_mutex);
    return m_value;
}

std::vector<LineChange> LineLog::changes() const
{
    std::lock_guard lock(m_mutex);
    return {m_changes.begin(), m_changes.end()};
}

std::uint8_t LineLog::valueAt(std::chrono::steady_clock::time_point time) const
{
    std::lock_guard lock(m_mutex);
    for (auto change = m_changes.rbegin(); change != m_changes.rend(); ++change) {
        if (change->time <= time)
            return change->after;
    }
    return m_changes.empty() ? m_value : m_changes.front().before;
}

std::size_t LineLog::changeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_changeCount;
}

void LineLog::clearChanges()
{
    std::lock_guard lock(m_mutex);
    m_changes.clear();
}

} // namespace velmora::sim
