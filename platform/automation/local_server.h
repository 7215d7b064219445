#pragma once
// The server half of this process: class objects published to other processes, one
// listening socket per AppID, and the connections of their clients.

#include "platform/automation/class_factory.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/executor.h"
#include "platform/automation/guid.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

namespace velmora::automation {

class ServerConnection;

class LocalServer {
public:
    using Clock = std::chrono::steady_clock;
    using Now = Clock::time_point (*)();

    // At most this many client connections at once; when full, the one idle longest
    // (holding nothing) makes room for a new one.
    static constexpr std::size_t kMaxConnections = 256;
    // A connection that holds nothing and says nothing for this long is closed.
    static constexpr std::chrono::milliseconds kIdleConnectionLimit{10000};
    // How often idle connections (and an unused server) are looked for.
    static constexpr std::chrono::milliseconds kSweepInterval{1000};

    static LocalServer& instance();
    ~LocalServer();

    // Publishes a registration (cookie from the class table) on the executor's loop.
    // E_ACCESSDENIED when the socket folder is unsafe, CO_E_NOTINITIALIZED without an
    // executor. When another live process serves the AppID, nothing listens here.
    HRESULT publish(DWORD cookie, REFCLSID clsid, ComPtr<IClassFactory> factory, Executor* executor);
    void withdraw(DWORD cookie);
    // Stops serving new activations: sockets are removed at once, their listening
    // sockets closed on their loops, and creation requests on open connections get
    // CO_E_SERVER_STOPPING.
    void suspend();
    // Ends every client connection served on this loop (objects and locks released),
    // for a server shutting down. Only on the loop's thread.
    void disconnectAll(Executor& executor);
    // The published class for a client's request.
    HRESULT lookup(REFCLSID clsid, ComPtr<IClassFactory>& factory);

    // Whether this process listens for other processes' clients: false when every
    // registration stayed local because another live process serves the AppID.
    bool servesOtherProcesses();
    // From now on, a server that has had no object and no lock for `limit` since
    // it began listening, or since its last client went, runs `onUnused` (on the
    // loop's thread, once). A zero limit turns it off.
    void endWhenUnused(std::chrono::milliseconds limit, std::function<void()> onUnused);
    // Closes idle connections and looks for an unused server at `now`; the loop does
    // this every kSweepInterval, tests call it with a clock of their own.
    void sweep(Executor& executor, Clock::time_point now);
    // The clock connection activity and the bounds above are measured with.
    void setClockForTesting(Now now);
    std::size_t connectionCount();

private:
    struct Listener;
    struct Published {
        CLSID clsid;
        ComPtr<IClassFactory> factory;
        std::shared_ptr<Listener> listener;
        bool suspended = false;
    };

    std::shared_ptr<Listener> listenerFor(const GUID& appId, Executor* executor, HRESULT& hr);
    void accept(const std::shared_ptr<Listener>& listener);
    bool makeRoom(Executor& executor);
    void forget(ServerConnection* connection);
    void scheduleSweep(std::weak_ptr<Listener> listener, Executor& executor);
    std::vector<std::shared_ptr<ServerConnection>> idleConnections(Executor& executor, Clock::time_point now);

    std::mutex m_mutex;
    Now m_now = &Clock::now;
    std::chrono::milliseconds m_unusedLimit{0};
    std::function<void()> m_onUnused;
    Clock::time_point m_lastUse = Clock::now(); // start of listening, or the last client's end

    std::map<DWORD, Published> m_published;
    std::map<GUID, std::weak_ptr<Listener>, GuidLess> m_listeners;
    std::set<std::shared_ptr<ServerConnection>> m_connections;
};

} // namespace velmora::automation
