#pragma once
// The time base of guide pulses: the pulse workers read it and sleep against it with
// absolute deadlines. The steady clock in the server; tests pass a fake one, so that
// held times are exact and no test waits out a real pulse.

#include <chrono>

namespace velmora::server {

class PulseClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~PulseClock() = default;

    virtual TimePoint now() const = 0;
    // Returns once now() has reached `deadline`; at once for a deadline already passed.
    virtual void sleepUntil(TimePoint deadline) = 0;

    // std::chrono::steady_clock and std::this_thread::sleep_until.
    static PulseClock& steady();
};

} // namespace velmora::server
