#include "platform/automation/local_server.h"

#include "platform/automation/registry_value.h"
#include "platform/automation/runtime_folder.h"
#include "platform/automation/server_connection.h"
#include "platform/automation/socket_io.h"
#include "platform/registry/file_lock.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <thread>
#include <vector>

namespace velmora::automation {

namespace {
constexpr std::size_t kMaxConnections = 256;

GUID appIdOf(REFCLSID clsid)
{
    const auto text = readRegistryString(HKEY_CLASSES_ROOT, "CLSID\\" + formatGuid(clsid), "AppID");
    const auto appId = text ? parseGuid(*text) : std::nullopt;
    return appId ? *appId : clsid;
}
} // namespace

struct LocalServer::Listener {
    GUID appId;
    std::string path;
    int fd = -1;
    std::optional<registry::FileLock> lock;
    Executor* executor = nullptr;
    std::thread::id loopThread;
    bool closed = false;

    void close()
    {
        if (closed)
            return;
        closed = true;
        if (lock) {
            ::unlink(path.c_str()); // new clients now start a new server
            lock.reset();
        }
        if (fd < 0)
            return;
        const int f = fd;
        Executor* e = executor;
        fd = -1;
        if (!e) {
            ::close(f);
        } else if (std::this_thread::get_id() == loopThread) {
            e->unwatch(f);
            ::close(f);
        } else {
            e->post([e, f] {
                e->unwatch(f);
                ::close(f);
            });
        }
    }
    ~Listener() { close(); }
};

LocalServer& LocalServer::instance()
{
    static LocalServer server;
    return server;
}

LocalServer::~LocalServer()
{
    // At exit the loops may be gone already: close listeners without them.
    for (auto& [cookie, published] : m_published) {
        if (published.listener)
            published.listener->executor = nullptr;
    }
}

HRESULT LocalServer::publish(DWORD cookie, REFCLSID clsid, ComPtr<IClassFactory> factory, Executor* executor)
{
    if (!executor)
        return CO_E_NOTINITIALIZED;
    const GUID appId = appIdOf(clsid);
    std::lock_guard lock(m_mutex);
    HRESULT hr = S_OK;
    std::shared_ptr<Listener> listener = listenerFor(appId, executor, hr);
    if (!listener)
        return hr;
    m_published[cookie] = Published{clsid, std::move(factory), std::move(listener), false};
    return S_OK;
}

std::shared_ptr<LocalServer::Listener> LocalServer::listenerFor(const GUID& appId, Executor* executor,
                                                                HRESULT& hr)
{
    if (auto existing = m_listeners[appId].lock())
        return existing;
    const auto folder = socketFolder();
    if (!folder) {
        hr = E_ACCESSDENIED;
        return nullptr;
    }
    auto listener = std::make_shared<Listener>();
    listener->appId = appId;
    listener->path = serverFilePath(*folder, appId, ".sock");
    listener->executor = executor;
    listener->loopThread = std::this_thread::get_id();
    if (!fitsSocketAddress(listener->path)) {
        hr = E_INVALIDARG;
        return nullptr;
    }
    // Holding the lock file makes this process the one that serves the AppID; without
    // it another live server does, and this registration stays local.
    listener->lock = registry::FileLock::tryLock(serverFilePath(*folder, appId, ".lock"));
    if (listener->lock) {
        listener->fd = listenUnix(listener->path);
        if (listener->fd < 0) {
            hr = E_FAIL;
            return nullptr;
        }
        std::weak_ptr<Listener> weak = listener;
        executor->watch(listener->fd, [this, weak] {
            if (auto l = weak.lock())
                accept(l);
        });
    }
    m_listeners[appId] = listener;
    return listener;
}

void LocalServer::withdraw(DWORD cookie)
{
    std::shared_ptr<Listener> listener; // closed, if last, outside the lock
    ComPtr<IClassFactory> factory;
    std::lock_guard lock(m_mutex);
    const auto it = m_published.find(cookie);
    if (it == m_published.end())
        return;
    listener = std::move(it->second.listener);
    factory = std::move(it->second.factory);
    m_published.erase(it);
}

void LocalServer::suspend()
{
    std::lock_guard lock(m_mutex);
    for (auto& [cookie, published] : m_published) {
        published.suspended = true;
        if (published.listener)
            published.listener->close();
    }
    m_listeners.clear();
}

HRESULT LocalServer::lookup(REFCLSID clsid, ComPtr<IClassFactory>& factory)
{
    std::lock_guard lock(m_mutex);
    HRESULT hr = REGDB_E_CLASSNOTREG;
    for (const auto& [cookie, published] : m_published) {
        if (!(published.clsid == clsid))
            continue;
        if (!published.suspended) {
            factory = published.factory;
            return S_OK;
        }
        hr = CO_E_SERVER_STOPPING;
    }
    return hr;
}

void LocalServer::accept(const std::shared_ptr<Listener>& listener)
{
    for (;;) {
        const int fd = ::accept4(listener->fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            return;
        }
        std::unique_lock lock(m_mutex);
        if (!peerIsSameUser(fd) || m_connections.size() >= kMaxConnections) {
            ::close(fd);
            continue;
        }
        auto connection = std::make_shared<ServerConnection>(
            fd, *listener->executor,
            [this](REFCLSID clsid, ComPtr<IClassFactory>& factory) { return lookup(clsid, factory); },
            [this](ServerConnection* closed) { forget(closed); });
        m_connections.insert(connection);
        lock.unlock();
        connection->start();
    }
}

void LocalServer::disconnectAll(Executor& executor)
{
    std::vector<std::shared_ptr<ServerConnection>> served;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& connection : m_connections) {
            if (&connection->executor() == &executor)
                served.push_back(connection);
        }
    }
    for (const auto& connection : served)
        connection->close();
}

void LocalServer::forget(ServerConnection* connection)
{
    std::shared_ptr<ServerConnection> last; // dropped outside the lock
    std::lock_guard lock(m_mutex);
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->get() == connection) {
            last = *it;
            m_connections.erase(it);
            return;
        }
    }
}

} // namespace velmora::automation
