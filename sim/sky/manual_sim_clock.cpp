#include "sim/sky/manual_sim_clock.h"

namespace velmora::sim {

SimClock::TimePoint ManualSimClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

bool ManualSimClock::waitUntil(TimePoint deadline, std::stop_token stop)
{
    std::unique_lock lock(m_mutex);
    if (m_autoAdvance && deadline > m_now)
        m_now = deadline;
    ++m_waiters;
    m_changed.notify_all();
    const bool reached = m_changed.wait(lock, stop, [&] { return m_now >= deadline || m_autoAdvance; });
    if (reached && m_now < deadline)
        m_now = deadline; // auto-advance was switched on while waiting
    --m_waiters;
    return reached && !stop.stop_requested();
}

void ManualSimClock::advance(std::chrono::nanoseconds step)
{
    {
        std::lock_guard lock(m_mutex);
        m_now += std::chrono::duration_cast<std::chrono::steady_clock::duration>(step);
    }
    m_changed.notify_all();
}

void ManualSimClock::setAutoAdvance(bool on)
{
    {
        std::lock_guard lock(m_mutex);
        m_autoAdvance = on;
    }
    m_changed.notify_all();
}

bool ManualSimClock::waitForWaiter(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_waiters > 0; });
}

} // namespace velmora::sim
