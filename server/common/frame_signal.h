#pragma once
// The "frame arrived" event of a long exposure: the frame callback pulses it for every
// frame while the switching sequence runs, and the exposure thread waits for the next
// frame delivered after its wait began. A pulse with nobody waiting is not remembered,
// as a pulsed manual-reset event is not. Every wait is bounded, on the same clock as
// the thread's step timing.

#include "server/common/pulse_clock.h"

#include <chrono>
#include <cstdint>
#include <mutex>

namespace velmora::server {

class FrameSignal {
public:
    // `clock` is borrowed; the waits are measured on it.
    explicit FrameSignal(PulseClock& clock) : m_clock(clock) {}

    void pulse();
    // True when a frame arrived within `limit` (on the clock) after the call.
    bool waitForNext(std::chrono::milliseconds limit);
    std::uint64_t pulses() const;

private:
    PulseClock& m_clock;
    mutable std::mutex m_mutex;
    std::uint64_t m_pulses = 0;
};

} // namespace velmora::server
