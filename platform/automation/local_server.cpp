#include "platform/automation/local_server.h"

#include "platform/automation/apartment.h"
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
#include <utility>
#include <vector>

namespace velmora::automation {

namespace {
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
        m_lastUse = m_now();
        scheduleSweep(weak, *executor);
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
        if (!peerIsSameUser(fd) || (connectionCount() >= kMaxConnections && !makeRoom(*listener->executor))) {
            ::close(fd);
            continue;
        }
        std::unique_lock lock(m_mutex);
        auto connection = std::make_shared<ServerConnection>(
            fd, *listener->executor,
            [this](REFCLSID clsid, ComPtr<IClassFactory>& factory) { return lookup(clsid, factory); },
            [this](ServerConnection* closed) { forget(closed); }, m_now);
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
    for (const auto& connection : served) {
        connection->close();
        connection->awaitDeferredWork();
    }
}

void LocalServer::forget(ServerConnection* connection)
{
    std::shared_ptr<ServerConnection> last; // dropped outside the lock
    std::lock_guard lock(m_mutex);
    for (auto it = m_connections.begin(); it != m_connections.end(); ++it) {
        if (it->get() == connection) {
            last = *it;
            m_connections.erase(it);
            m_lastUse = m_now();
            return;
        }
    }
}

std::size_t LocalServer::connectionCount()
{
    std::lock_guard lock(m_mutex);
    return m_connections.size();
}

bool LocalServer::makeRoom(Executor& executor)
{
    std::shared_ptr<ServerConnection> idlest;
    {
        std::lock_guard lock(m_mutex);
        for (const auto& connection : m_connections) {
            if (&connection->executor() == &executor && connection->holdsNothing() &&
                (!idlest || connection->lastActivity() < idlest->lastActivity()))
                idlest = connection;
        }
    }
    if (!idlest)
        return false;
    idlest->close();
    return true;
}

bool LocalServer::servesOtherProcesses()
{
    std::lock_guard lock(m_mutex);
    for (const auto& [cookie, published] : m_published) {
        if (published.listener && published.listener->lock && published.listener->fd >= 0)
            return true;
    }
    return false;
}

void LocalServer::endWhenUnused(std::chrono::milliseconds limit, std::function<void()> onUnused)
{
    std::lock_guard lock(m_mutex);
    m_unusedLimit = limit;
    m_onUnused = std::move(onUnused);
}

void LocalServer::setClockForTesting(Now now)
{
    std::lock_guard lock(m_mutex);
    m_now = now;
    m_lastUse = now();
}

void LocalServer::scheduleSweep(std::weak_ptr<Listener> listener, Executor& executor)
{
    // The sweeps of a loop end with the listener that started them.
    executor.postDelayed(kSweepInterval, [this, listener, &executor] {
        if (listener.expired() || listener.lock()->closed)
            return;
        Now now = nullptr;
        {
            std::lock_guard lock(m_mutex);
            now = m_now;
        }
        sweep(executor, now());
        scheduleSweep(listener, executor);
    });
}

std::vector<std::shared_ptr<ServerConnection>> LocalServer::idleConnections(Executor& executor,
                                                                            Clock::time_point now)
{
    std::vector<std::shared_ptr<ServerConnection>> idle;
    std::lock_guard lock(m_mutex);
    for (const auto& connection : m_connections) {
        if (&connection->executor() == &executor && connection->holdsNothing() &&
            now - connection->lastActivity() >= kIdleConnectionLimit)
            idle.push_back(connection);
    }
    return idle;
}

void LocalServer::sweep(Executor& executor, Clock::time_point now)
{
    for (const auto& connection : idleConnections(executor, now))
        connection->close();
    std::function<void()> onUnused;
    {
        std::lock_guard lock(m_mutex);
        if (m_unusedLimit.count() > 0 && m_onUnused && m_connections.empty() &&
            serverProcessLockCount() == 0 && now - m_lastUse >= m_unusedLimit)
            onUnused = std::exchange(m_onUnused, {});
    }
    if (onUnused)
        onUnused();
}

} // namespace velmora::automation
