#include "server/telescope/fake_pulse_clock.h"

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
    auto entry = m_deadlines.insert(deadline);
    m_changed.notify_all();
    m_changed.wait(lock, [&] { return m_now >= deadline; });
    m_deadlines.erase(entry);
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

std::size_t FakePulseClock::pendingLocked() const
{
    return static_cast<std::size_t>(std::distance(m_deadlines.upper_bound(m_now), m_deadlines.end()));
}

std::size_t FakePulseClock::sleepers() const
{
    std::lock_guard lock(m_mutex);
    return pendingLocked();
}

bool FakePulseClock::waitForSleepers(std::size_t count, std::chrono::milliseconds limit) const
{
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, limit, [&] { return pendingLocked() >= count; });
}

bool FakePulseClock::advanceToNextDeadline(std::chrono::milliseconds limit)
{
    {
        std::unique_lock lock(m_mutex);
        if (!m_changed.wait_for(lock, limit, [&] { return pendingLocked() > 0; }))
            return false;
        m_now = *m_deadlines.upper_bound(m_now);
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
