#pragma once
// SimClock on std::chrono::steady_clock (the time stamps of the simulated ports' lines).

#include "sim/sky/sim_clock.h"

namespace velmora::sim {

class SteadySimClock : public SimClock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    bool waitUntil(TimePoint deadline, std::stop_token stop) override;
};

} // namespace velmora::sim
