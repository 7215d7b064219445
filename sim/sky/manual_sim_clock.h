#pragma once
// A SimClock that moves only when told: advance() by the test, or, in auto-advance
// mode, every waitUntil() jumps the time to its deadline at once (a streaming thread
// then runs as fast as its frames are taken).

#include "sim/sky/sim_clock.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmora::sim {

class ManualSimClock : public SimClock {
public:
    explicit ManualSimClock(TimePoint start = TimePoint{} + std::chrono::hours(1), bool autoAdvance = false)
        : m_now(start), m_autoAdvance(autoAdvance)
    {
    }

    TimePoint now() const override;
    bool waitUntil(TimePoint deadline, std::stop_token stop) override;

    void advance(std::chrono::nanoseconds step);
    void setAutoAdvance(bool on);
    // Blocks (real time, at most `limit`) until a thread waits on the clock: a test can
    // step a streaming thread frame by frame.
    bool waitForWaiter(std::chrono::milliseconds limit);

private:
    mutable std::mutex m_mutex;
    std::condition_variable_any m_changed;
    TimePoint m_now;
    bool m_autoAdvance;
    int m_waiters = 0;
};

} // namespace velmora::sim
