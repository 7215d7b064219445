#include "platform/automation/remote_activation.h"

#include "platform/automation/class_factory_proxy.h"
#include "platform/automation/client_connection.h"
#include "platform/automation/registry_value.h"
#include "platform/automation/runtime_folder.h"
#include "platform/automation/server_process.h"
#include "platform/registry/file_lock.h"

#include <sys/stat.h>

#include <atomic>
#include <cctype>
#include <sstream>
#include <thread>

namespace velmora::automation {

namespace {

std::atomic<long long> g_timeoutMs{10000};
constexpr std::chrono::milliseconds kPollInterval{5};
constexpr int kAttempts = 4;
constexpr std::chrono::milliseconds kRetryPause{20};

bool isFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// Waits for the started server to listen, failing early when it exits.
std::shared_ptr<ClientConnection> awaitServer(const std::string& socketPath, const ServerProcess& process,
                                              std::chrono::steady_clock::time_point deadline)
{
    for (;;) {
        const bool exited = process.exited.load();
        if (auto connection = ClientConnection::obtain(socketPath))
            return connection;
        if (exited || std::chrono::steady_clock::now() >= deadline)
            return nullptr;
        std::this_thread::sleep_for(kPollInterval);
    }
}

// A connection to the class's server, started when nothing listens. Clients racing
// to start it take turns on the spawn lock, so the later ones find it running.
HRESULT connectLocalServer(const LocalServerCommand& command, std::shared_ptr<ClientConnection>& connection,
                           std::string& socketPath)
{
    const auto folder = socketFolder();
    if (!folder)
        return E_ACCESSDENIED;
    socketPath = serverFilePath(*folder, command.appId, ".sock");
    if (!fitsSocketAddress(socketPath))
        return CO_E_SERVER_EXEC_FAILURE;
    if ((connection = ClientConnection::obtain(socketPath)))
        return S_OK;
    const auto timeout = std::chrono::milliseconds(g_timeoutMs.load());
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    const auto spawnLock =
        registry::FileLock::lock(serverFilePath(*folder, command.appId, ".spawn"), timeout);
    if (!spawnLock)
        return CO_E_SERVER_EXEC_FAILURE;
    if ((connection = ClientConnection::obtain(socketPath)))
        return S_OK;
    std::vector<std::string> arguments = command.arguments;
    arguments.push_back("-Embedding");
    const auto process = startServerProcess(command.executable, arguments);
    if (!process)
        return CO_E_SERVER_EXEC_FAILURE;
    connection = awaitServer(socketPath, *process, deadline);
    return connection ? S_OK : CO_E_SERVER_EXEC_FAILURE;
}

// Runs `request` on a connection to the class's server; again, with a fresh server,
// when it was stopping or went away (a killed server's socket may still accept for a
// moment while the process ends).
template <class Request> HRESULT withServer(REFCLSID clsid, Request request)
{
    LocalServerCommand command;
    HRESULT hr = findLocalServer(clsid, command);
    if (FAILED(hr))
        return hr;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (attempt > 0)
            std::this_thread::sleep_for(kRetryPause * attempt);
        std::shared_ptr<ClientConnection> connection;
        std::string socketPath;
        hr = connectLocalServer(command, connection, socketPath);
        if (FAILED(hr))
            return hr;
        hr = request(connection);
        if (hr != CO_E_SERVER_STOPPING && hr != RPC_E_DISCONNECTED)
            return hr;
        ClientConnection::forget(socketPath);
    }
    return hr;
}

} // namespace

LocalServerCommand parseServerCommand(const std::string& value)
{
    LocalServerCommand command;
    std::string rest;
    std::size_t start = value.find_first_not_of(" \t");
    if (start == std::string::npos)
        return command;
    if (value[start] == '"') {
        const std::size_t end = value.find('"', start + 1);
        command.executable =
            value.substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1);
        rest = end == std::string::npos ? "" : value.substr(end + 1);
    } else {
        std::string whole = value.substr(start);
        while (!whole.empty() && std::isspace(static_cast<unsigned char>(whole.back())))
            whole.pop_back();
        // An unquoted path may hold spaces; arguments only follow one that is not a file.
        const std::size_t space = whole.find_first_of(" \t");
        const bool split = space != std::string::npos && !isFile(whole);
        command.executable = split ? whole.substr(0, space) : whole;
        rest = split ? whole.substr(space) : "";
    }
    std::istringstream words(rest);
    for (std::string word; words >> word;)
        command.arguments.push_back(word);
    return command;
}

HRESULT findLocalServer(REFCLSID clsid, LocalServerCommand& command)
{
    const std::string key = "CLSID\\" + formatGuid(clsid);
    const auto server = readRegistryString(HKEY_CLASSES_ROOT, key + "\\LocalServer32", "");
    if (!server)
        return REGDB_E_CLASSNOTREG;
    command = parseServerCommand(*server);
    if (command.executable.empty())
        return REGDB_E_CLASSNOTREG;
    const auto appIdText = readRegistryString(HKEY_CLASSES_ROOT, key, "AppID");
    // Only a well-formed GUID may name the socket file.
    const auto appId = appIdText ? parseGuid(*appIdText) : std::nullopt;
    command.appId = appId ? *appId : clsid;
    return S_OK;
}

HRESULT createRemoteInstance(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IDispatch)
        return E_NOINTERFACE;
    return withServer(clsid, [&](const std::shared_ptr<ClientConnection>& connection) {
        return createProxyInstance(connection, clsid, iid, object);
    });
}

HRESULT getRemoteClassObject(REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory)
        return E_NOINTERFACE;
    LocalServerCommand command;
    HRESULT hr = findLocalServer(clsid, command);
    std::shared_ptr<ClientConnection> connection;
    std::string socketPath;
    if (SUCCEEDED(hr))
        hr = connectLocalServer(command, connection, socketPath);
    if (FAILED(hr))
        return hr;
    *object = static_cast<IClassFactory*>(makeObject<ClassFactoryProxy>(connection, clsid).detach());
    return S_OK;
}

std::optional<std::string> localServerSocketPath(REFCLSID clsid)
{
    LocalServerCommand command;
    const auto folder = socketFolder();
    if (!folder || FAILED(findLocalServer(clsid, command)))
        return std::nullopt;
    return serverFilePath(*folder, command.appId, ".sock");
}

HRESULT createInstanceAt(const std::string& socketPath, REFCLSID clsid, REFIID iid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    const auto connection = ClientConnection::obtain(socketPath);
    if (!connection)
        return CO_E_SERVER_EXEC_FAILURE;
    return createProxyInstance(connection, clsid, iid, object);
}

void setActivationTimeout(std::chrono::milliseconds timeout)
{
    g_timeoutMs = timeout.count();
}

} // namespace velmora::automation
