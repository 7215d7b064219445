#include "server/camera/frame_signal.h"

namespace velmora::server {

void FrameSignal::pulse()
{
    {
        std::lock_guard lock(m_mutex);
        ++m_pulses;
    }
    m_arrived.notify_all();
}

bool FrameSignal::waitForNext(std::chrono::milliseconds limit)
{
    std::unique_lock lock(m_mutex);
    const std::uint64_t seen = m_pulses;
    return m_arrived.wait_for(lock, limit, [&] { return m_pulses != seen; });
}

std::uint64_t FrameSignal::pulses() const
{
    std::lock_guard lock(m_mutex);
    return m_pulses;
}

} // namespace velmora::server
