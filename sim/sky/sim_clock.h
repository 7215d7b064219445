#pragma once
// The simulator's time: the real steady clock in the server, a manual one in tests so
// that the sky and the simulated camera run faster than real time.

#include <chrono>
#include <stop_token>

namespace velmora::sim {

class SimClock {
public:
    using TimePoint = std::chrono::steady_clock::time_point;

    virtual ~SimClock() = default;
    virtual TimePoint now() const = 0;
    // Returns true once now() has reached `deadline`, false as soon as `stop` is requested.
    virtual bool waitUntil(TimePoint deadline, std::stop_token stop) = 0;
};

} // namespace velmora::sim
