#pragma once
// The high-resolution counter the exposure cycle and the guiding run time themselves
// with: a monotonic tick count and its frequency in ticks per second. Tests pass a
// fake whose time only moves when they say so.

#include <cstdint>

namespace velmora::client {

class HighResolutionClock {
public:
    virtual ~HighResolutionClock() = default;
    virtual std::int64_t counter() const = 0;
    // Ticks per second; always positive.
    virtual std::int64_t frequency() const = 0;
};

// The machine's monotonic clock in nanoseconds.
class SteadyClock : public HighResolutionClock {
public:
    std::int64_t counter() const override;
    std::int64_t frequency() const override { return 1000000000; }
};

// Seconds between two counter values.
double secondsBetween(std::int64_t start, std::int64_t end, std::int64_t frequency);

} // namespace velmora::client
