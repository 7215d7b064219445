#include "client/guiding/guiding_worker.h"

#include "platform/automation/variant.h"

#include <algorithm>

namespace velmora::client {

GuidingWorker::GuidingWorker(TelescopeSource telescope)
    : m_telescope(std::move(telescope)), m_thread([this] { run(); })
{
}

GuidingWorker::~GuidingWorker()
{
    {
        std::lock_guard lock(m_lock);
        m_quit = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void GuidingWorker::post(const GuidePulse& pulse)
{
    {
        std::lock_guard lock(m_lock);
        m_queue.push_back(pulse);
    }
    m_wake.notify_one();
}

bool GuidingWorker::waitUntilIdle(std::chrono::milliseconds timeout)
{
    std::unique_lock lock(m_lock);
    return m_idle.wait_for(lock, timeout, [this] { return m_queue.empty() && !m_busy; });
}

std::uint64_t GuidingWorker::pulsesSent() const
{
    std::lock_guard lock(m_lock);
    return m_sent;
}

std::uint64_t GuidingWorker::pulsesDropped() const
{
    std::lock_guard lock(m_lock);
    return m_dropped;
}

void GuidingWorker::run()
{
    std::unique_lock lock(m_lock);
    for (;;) {
        m_wake.wait(lock, [this] { return m_quit || !m_queue.empty(); });
        if (m_queue.empty())
            break; // quit, and nothing posted before it is left
        const GuidePulse pulse = m_queue.front();
        m_queue.pop_front();
        m_busy = true;
        lock.unlock();
        send(pulse);
        lock.lock();
        m_busy = false;
        if (m_queue.empty())
            m_idle.notify_all();
    }
    m_busy = false;
    m_idle.notify_all();
}

// No lock is held across the driver call: the main thread keeps posting meanwhile.
void GuidingWorker::send(const GuidePulse& pulse)
{
    const DriverRef telescope = m_telescope ? m_telescope() : DriverRef();
    bool sent = false;
    if (telescope) {
        automation::Variant direction = automation::Variant::i4(static_cast<LONG>(pulse.direction));
        automation::Variant duration = automation::Variant::i4(std::max(pulse.durationMs, 0));
        CallDriverMethod(telescope.get(), "PulseGuide", *direction.get(), *duration.get());
        sent = true;
    }
    std::lock_guard lock(m_lock);
    ++(sent ? m_sent : m_dropped);
}

} // namespace velmora::client
