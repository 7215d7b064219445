#pragma once
// A pulse clock for tests. Automatic: a sleep moves the time to its deadline and
// returns at once, so a pulse runs to its end instantly and its held time is exact.
// Manual: a sleep blocks until the test moves the time past its deadline, so a test
// can look at a pulse while it is being held and stop it at a chosen moment.
//
// A wait for an event (waitUntil) ends when the event comes or when the time is moved
// past its deadline, in both modes; the test sees each wait begin (waitForWaitsBegun),
// so it can answer it, or let it time out by moving the time.

#include "server/common/pulse_clock.h"

#include <condition_variable>
#include <functional>
#include <mutex>
#include <set>

namespace velmora::server {

class FakePulseClock : public PulseClock {
public:
    enum class Mode { Automatic, Manual };
    // Bound of the real-time waits of the helpers, so a broken test fails instead of
    // hanging.
    static constexpr std::chrono::milliseconds kWaitLimit{5000};

    explicit FakePulseClock(Mode mode = Mode::Automatic);

    void setMode(Mode mode);

    TimePoint now() const override;
    void sleepUntil(TimePoint deadline) override;
    bool waitUntil(TimePoint deadline, const std::function<bool()>& ready) override;
    void notifyWaiters() override;

    void advance(std::chrono::milliseconds step);
    // Automatic mode: every sleep wakes this much after its deadline, like a loaded
    // machine's timer.
    void setOvershoot(std::chrono::milliseconds overshoot);
    // The number of threads sleeping until a time still ahead (a sleeper already due
    // is just waking up and does not count); waits for events do not count.
    std::size_t sleepers() const;
    // Waits until at least `count` threads sleep as above; false after `limit`.
    bool waitForSleepers(std::size_t count, std::chrono::milliseconds limit = kWaitLimit) const;
    // Waits for events begun since the clock was made, ended or not.
    std::size_t waitsBegun() const;
    // Waits until at least `count` such waits have begun; false after `limit`.
    bool waitForWaitsBegun(std::size_t count, std::chrono::milliseconds limit = kWaitLimit) const;
    // Moves the time to the earliest deadline a thread sleeps or waits until, waiting
    // up to `limit` for one; false when none came.
    bool advanceToNextDeadline(std::chrono::milliseconds limit = kWaitLimit);
    // Keeps advancing to the next deadline until `done` holds (checked between steps).
    bool runUntil(const std::function<bool()>& done, std::chrono::milliseconds limit = kWaitLimit);
    // The clock as a LineLog clock for the simulated lines.
    std::function<TimePoint()> asFunction() const;

private:
    std::size_t pendingLocked(const std::multiset<TimePoint>& deadlines) const;
    bool anyPendingLocked() const;
    TimePoint nextDeadlineLocked() const;

    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    Mode m_mode;
    TimePoint m_now;
    std::chrono::milliseconds m_overshoot{0};
    std::multiset<TimePoint> m_sleepDeadlines;
    std::multiset<TimePoint> m_waitDeadlines;
    std::size_t m_waitsBegun = 0;
};

} // namespace velmora::server
