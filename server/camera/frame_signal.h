#pragma once
// The "frame arrived" event of a long exposure: the frame callback pulses it for every
// frame while the switching sequence runs, and the exposure thread waits for the next
// frame delivered after its wait began. A pulse with nobody waiting is not remembered,
// as a pulsed manual-reset event is not. Every wait is bounded.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace velmora::server {

class FrameSignal {
public:
    void pulse();
    // True when a frame arrived within `limit` after the call.
    bool waitForNext(std::chrono::milliseconds limit);
    std::uint64_t pulses() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::uint64_t m_pulses = 0;
};

} // namespace velmora::server
