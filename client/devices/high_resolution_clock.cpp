#include "client/devices/high_resolution_clock.h"

#include <chrono>

namespace velmora::client {

std::int64_t SteadyClock::counter() const
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

double secondsBetween(std::int64_t start, std::int64_t end, std::int64_t frequency)
{
    return frequency > 0 ? static_cast<double>(end - start) / static_cast<double>(frequency) : 0.0;
}

} // namespace velmora::client
