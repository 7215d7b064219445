#pragma once
// The guiding worker thread: correction pulses posted by the guiding step are sent
// to the telescope's PulseGuide (Direction, Duration as 32-bit integers) one after
// the other, strictly in posting order, so a driver call that blocks for the pulse's
// length never stalls frames or the display. A pulse whose telescope is no longer
// bound by the time it is handled is dropped. Destroying the worker ends the thread
// once the pulses posted before are handled (as a quit message queued behind them
// would) and joins it.

#include "client/devices/driver_calls.h"
#include "client/guiding/guide_pulse.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace velmora::client {

class GuidingWorker {
public:
    // Asked on the worker thread for every pulse; an empty reference drops the pulse.
    using TelescopeSource = std::function<DriverRef()>;

    explicit GuidingWorker(TelescopeSource telescope);
    ~GuidingWorker();
    GuidingWorker(const GuidingWorker&) = delete;
    GuidingWorker& operator=(const GuidingWorker&) = delete;

    // The thread message WM_APP + 1: direction code and duration in ms (negative
    // durations are sent as 0).
    void post(const GuidePulse& pulse);
    // Waits until every pulse posted so far has been handled; false on timeout.
    bool waitUntilIdle(std::chrono::milliseconds timeout);

    std::uint64_t pulsesSent() const;
    std::uint64_t pulsesDropped() const;

private:
    void run();
    void send(const GuidePulse& pulse);

    TelescopeSource m_telescope;
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_idle;
    std::deque<GuidePulse> m_queue;
    bool m_busy = false;
    bool m_quit = false;
    std::uint64_t m_sent = 0;
    std::uint64_t m_dropped = 0;
    std::thread m_thread; // last: starts once everything above exists
};

} // namespace velmora::client
