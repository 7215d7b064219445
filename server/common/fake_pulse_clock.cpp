#include "server/common/fake_pulse_clock.h"

#include <algorithm>
#include <iterator>

namespace velmora::server {

namespace {

// Polling step of runUntil while no thread sleeps: `done` is usually about to hold then.
constexpr std::chrono::milliseconds kPollStep{1};

} // namespace

FakePulseClock::FakePulseClock(Mode mode) : m_mode(mode), m_now(std::chrono::hours(1)) {}

void FakePulseClock::setMode(Mode mode)
{
    std::lock_guard lock(m_mutex);
    m_mode = mode;
}

PulseClock::TimePoint FakePulseClock::now() const
{
    std::lock_guard lock(m_mutex);
    return m_now;
}

void FakePulseClock::sleepUntil(TimePoint deadline)
{
    std::unique_lock lock(m_mutex);
    if (m_mode == Mode::Automatic) {
        m_now = std::max(m_now, deadline + m_overshoot);
        return;
    }
    auto entry = m_sleepDeadlines.insert(deadline);
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_now >= deadline; });
    m_sleepDeadlines.erase(entry);
    m_changed.notify_all();
}

bool FakePulseClock::waitUntil(TimePoint deadline, const std::function<bool()>& ready)
{
    std::unique_lock lock(m_mutex);
    auto entry = m_waitDeadlines.insert(deadline);
    ++m_waitsBegun;
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return ready() || m_now >= deadline; });
    const bool arrived = ready();
    m_waitDeadlines.erase(entry);
    m_changed.notify_all();
    return arrived;
}

void FakePulseClock::notifyWaiters()
{
    {
        std::lock_guard lock(m_mutex);
    }
    m_changed.notify_all();
}

void FakePulseClock::advance(std::chrono::milliseconds step)
{
    {
        std::lock_guard lock(m_mutex);
        m_now += step;
    }
    m_changed.notify_all();
}

void FakePulseClock::setOvershoot(std::chrono::milliseconds overshoot)
{
    std::lock_guard lock(m_mutex);
    m_overshoot = overshoot;
}

std::size_t FakePulseClock::pendingLocked(const std::multiset<TimePoint>& deadlines) const
{
    return static_cast<std::size_t>(std::distance(deadlines.upper_bound(m_now), deadlines.end()));
}

bool FakePulseClock::anyPendingLocked() const
{
    return pendingLocked(m_sleepDeadlines) > 0 || pendingLocked(m_waitDeadlines) > 0;
}

PulseClock::TimePoint FakePulseClock::nextDeadlineLocked() const
{
    const auto sleep = m_sleepDeadlines.upper_bound(m_now);
    const auto wait = m_waitDeadlines.upper_bound(m_now);
    if (sleep == m_sleepDeadlines.end())
        return *wait;
    if (wait == m_waitDeadlines.end())
        return *sleep;
    return std::min(*sleep, *wait);
}

std::size_t FakePulseClock::sleepers() const
{
    std::lock_guard lock(m_mutex);
    return pendingLocked(m_sleepDeadlines);
}

bool FakePulseClock::waitForSleepers(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return pendingLocked(m_sleepDeadlines) >= count; });
}

std::size_t FakePulseClock::waitsBegun() const
{
    std::lock_guard lock(m_mutex);
    return m_waitsBegun;
}

bool FakePulseClock::waitForWaitsBegun(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return m_waitsBegun >= count; });
}

bool FakePulseClock::advanceToNextDeadline(std::chrono::milliseconds limit)
{
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, limit, [&] { return anyPendingLocked(); }))
            return false;
        m_now = nextDeadlineLocked();
    }
    m_changed.notify_all();
    return true;
}

bool FakePulseClock::runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit)
{
    auto giveUp = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > giveUp)
            return false;
        advanceToNextDeadline(kPollStep);
    }
    return true;
}

std::function<PulseClock::TimePoint()> FakePulseClock::asFunction() const
{
    return [this] { return now(); };
}

} // namespace velmora::server
