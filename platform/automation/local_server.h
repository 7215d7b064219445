#pragma once
// The server half of this process: class objects published to other processes, one
// listening socket per AppID, and the connections of their clients.

#include "platform/automation/class_factory.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/executor.h"
#include "platform/automation/guid.h"

#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace velmora::automation {

class ServerConnection;

class LocalServer {
public:
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
    void forget(ServerConnection* connection);

    std::mutex m_mutex;
    std::map<DWORD, Published> m_published;
    std::map<GUID, std::weak_ptr<Listener>, GuidLess> m_listeners;
    std::set<std::shared_ptr<ServerConnection>> m_connections;
};

} // namespace velmora::automation
