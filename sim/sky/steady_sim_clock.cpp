#include "sim/sky/steady_sim_clock.h"

#include <condition_variable>
#include <mutex>

namespace velmora::sim {

bool SteadySimClock::waitUntil(TimePoint deadline, std::stop_token stop)
{
    std::mutex mutex;
    std::condition_variable_any wake;
    std::unique_lock lock(mutex);
    // Wakes early only for a stop request.
    wake.wait_until(lock, stop, deadline, [] { return false; });
    return !stop.stop_requested();
}

} // namespace velmora::sim
