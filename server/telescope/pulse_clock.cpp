#include "server/telescope/pulse_clock.h"

#include <thread>

namespace velmora::server {

namespace {

class SteadyPulseClock : public PulseClock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void sleepUntil(TimePoint deadline) override { std::this_thread::sleep_until(deadline); }
};

} // namespace

PulseClock& PulseClock::steady()
{
    static SteadyPulseClock clock;
    return clock;
}

} // namespace velmora::server
