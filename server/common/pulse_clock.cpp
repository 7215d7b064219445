#include "server/common/pulse_clock.h"

#include <thread>

namespace velmora::server {

namespace {

class SteadyPulseClock : public PulseClock {
public:
    TimePoint now() const override { return std::chrono::steady_clock::now(); }
    void sleepUntil(TimePoint deadline) override { std::this_thread::sleep_until(deadline); }
    bool waitUntil(TimePoint deadline, const std::function<bool()>& ready) override
    {
        // `ready` is checked with the mutex held, and notifyWaiters takes it before it
        // wakes anyone: a change made between the check and the wait is never missed.
        std::unique_lock lock(m_mutex);
        return m_changed.wait_until(lock, deadline, ready);
    }
    void notifyWaiters() override
    {
        {
            std::lock_guard lock(m_mutex);
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

} // namespace

PulseClock& PulseClock::steady()
{
    static SteadyPulseClock clock;
    return clock;
}

} // namespace velmora::server
