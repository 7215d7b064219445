#pragma once
// The time base of guide pulses and long exposures: the pulse workers and the exposure
// thread read it, sleep against it with absolute deadlines, and wait on it for an event
// with a deadline (the next video frame). The steady clock in the server; tests pass a
// fake one, so that held times are exact and no test waits out a real pulse or a
// real time-out.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

namespace velmora::server {

class PulseClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~PulseClock() = default;

    virtual TimePoint now() const = 0;
    // Returns once now() has reached `deadline`; at once for a deadline already passed.
    virtual void sleepUntil(TimePoint deadline) = 0;
    // Returns true as soon as `ready()` holds, false once now() reaches `deadline`
    // first. `ready` is checked again at every notifyWaiters(), which whoever makes it
    // hold must call afterwards.
    virtual bool waitUntil(TimePoint deadline, const std::function<bool()>& ready) = 0;
    virtual void notifyWaiters() = 0;

    // std::chrono::steady_clock and std::this_thread::sleep_until.
    static PulseClock& steady();
};

} // namespace velmora::server
