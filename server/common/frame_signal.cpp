#include "server/common/frame_signal.h"

namespace velmora::server {

void FrameSignal::pulse()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_pulses;
    }
    m_clock.notifyWaiters();
}

bool FrameSignal::waitForNext(std::chrono::milliseconds limit)
{
    const std::uint64_t seen = pulses();
    return m_clock.waitUntil(m_clock.now() + limit, [&] { return pulses() != seen; });
}

std::uint64_t FrameSignal::pulses() const
{
    std::lock_guard lock(m_mutex);
    return m_pulses;
}

} // namespace velmora::server
