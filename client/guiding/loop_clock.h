#pragma once
// The clock of a program that runs its own event loop (the headless guider): the
// high-resolution counter plus a way to wait. Tests pass a clock whose waiting only
// moves its counter.

#include "client/devices/high_resolution_clock.h"

#include <chrono>

namespace velmora::client {

class LoopClock : public HighResolutionClock {
public:
    virtual void sleepFor(std::chrono::milliseconds duration) = 0;
};

class RealLoopClock : public LoopClock {
public:
    std::int64_t counter() const override { return m_clock.counter(); }
    std::int64_t frequency() const override { return m_clock.frequency(); }
    void sleepFor(std::chrono::milliseconds duration) override;

private:
    SteadyClock m_clock;
};

} // namespace velmora::client
