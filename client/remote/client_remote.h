#pragma once
// The guiding server inside the client program: the protocol served over the main
// frame and its guiding window. The program's event loop calls poll() often (it never
// waits); everything runs on the main thread with the windows.

#include "client/remote/client_backend.h"
#include "client/remote/event_server.h"
#include "client/remote/remote_guider.h"

#include <functional>
#include <optional>
#include <string>

namespace velmora::client::remote {

class ClientRemote {
public:
    ClientRemote(MainFrame& frame, const HighResolutionClock& clock, std::function<void()> shutdown);
    ~ClientRemote();
    ClientRemote(const ClientRemote&) = delete;
    ClientRemote& operator=(const ClientRemote&) = delete;

    std::optional<std::string> listen(const ListenAddress& where) { return m_events.listen(where); }
    int port() const { return m_events.port(); }
    void poll();

private:
    EventServer m_events;
    ClientBackend m_backend;
    RemoteGuider m_remote;
};

} // namespace velmora::client::remote
