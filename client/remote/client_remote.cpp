#include "client/remote/client_remote.h"

namespace velmora::client::remote {

ClientRemote::ClientRemote(MainFrame& frame, const HighResolutionClock& clock, std::function<void()> shutdown)
    : m_events(epochSeconds, localHostName(), "Velmora VelmoraNebrix"),
      m_backend(frame, clock, std::move(shutdown)),
      m_remote(m_backend, m_events, [&clock] { return clockSeconds(clock); })
{
    m_events.setHandler(&m_remote);
    m_backend.setFrameObserver([this](const FrameObservation& frame) { m_remote.frameObserved(frame); });
}

ClientRemote::~ClientRemote()
{
    m_backend.setFrameObserver(nullptr);
    m_events.setHandler(nullptr);
    m_events.close();
}

void ClientRemote::poll()
{
    m_events.poll(0);
    m_backend.tick();
    m_remote.tick();
}

} // namespace velmora::client::remote
