#pragma once
// An event that stays set until it is reset, as the pulse engine's per-axis idle and
// stop signals and its hand-over acknowledgement need: any number of threads may wait
// for it, and a set that happens before the wait is not lost.

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace velmora::server {

class ManualResetEvent {
public:
    explicit ManualResetEvent(bool initiallySet = false) : m_set(initiallySet) {}
    ManualResetEvent(const ManualResetEvent&) = delete;
    ManualResetEvent& operator=(const ManualResetEvent&) = delete;

    void set();
    void reset();
    bool isSet() const;
    void wait() const;
    // True when the event was set within `timeout`.
    bool waitFor(std::chrono::milliseconds timeout) const;

private:
    mutable std::mutex m_mutex;
    mutable std::condition_variable m_changed;
    bool m_set;
};

} // namespace velmora::server
