#pragma once
// velmora-guide --serve: the headless guider driven by imaging programs over the
// guiding server's protocol. One loop on one thread: it waits on the sockets until
// the next 60 ms tick of the exposure cycle, so answers come at once and a client can
// never hold up a frame. Runs until a client calls shutdown or the stop request.

#include "client/guiding/headless_guider.h"
#include "client/remote/event_server.h"
#include "client/remote/headless_backend.h"
#include "client/remote/remote_guider.h"
#include "client/remote/remote_settings.h"

#include <functional>
#include <optional>
#include <ostream>
#include <string>

namespace velmora::client {
class LoopClock;
class SettingsStore;
} // namespace velmora::client

namespace velmora::client::remote {

class HeadlessServer {
public:
    HeadlessServer(HeadlessOptions options, SettingsStore& store, LoopClock& clock, std::ostream& out,
                   std::ostream& err);
    ~HeadlessServer();

    // Listens; an error text when no port could be had.
    std::optional<std::string> listen(const ListenAddress& where);
    int port() const { return m_events.port(); }
    // Serves until shutdown or stopRequested; 0, or 1 when it could not listen.
    int run(const std::function<bool()>& stopRequested);

private:
    void tick();

    LoopClock& m_clock;
    std::ostream& m_err;
    HeadlessGuider m_guider;
    EventServer m_events;
    bool m_shutdown = false;
    HeadlessBackend m_backend;
    RemoteGuider m_remote;
};

} // namespace velmora::client::remote
