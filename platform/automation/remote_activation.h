#pragma once
// Activation of classes served by local servers: finding the server of a class in
// the registry, reaching it (starting it when nothing listens) and making proxies.

#include "platform/automation/guid.h"
#include "platform/automation/hresult.h"

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace velmora::automation {

struct LocalServerCommand {
    std::string executable;
    std::vector<std::string> arguments; // before "-Embedding"
    GUID appId;
};

// HKCR\CLSID\{clsid}\LocalServer32 and the class's AppID (the CLSID itself when it
// names none). REGDB_E_CLASSNOTREG when the class has no local server.
HRESULT findLocalServer(REFCLSID clsid, LocalServerCommand& command);
// Splits a LocalServer32 value: a quoted or whole-path executable, then arguments.
LocalServerCommand parseServerCommand(const std::string& value);

HRESULT createRemoteInstance(REFCLSID clsid, REFIID iid, void** object);
HRESULT getRemoteClassObject(REFCLSID clsid, REFIID iid, void** object);

// The socket a client of clsid's server connects to (the folder is created).
std::optional<std::string> localServerSocketPath(REFCLSID clsid);
// A new object from the server listening at socketPath, without starting anything.
HRESULT createInstanceAt(const std::string& socketPath, REFCLSID clsid, REFIID iid, void** object);

// How long a client waits for a server to start (10 s); tests shorten it.
void setActivationTimeout(std::chrono::milliseconds timeout);

} // namespace velmora::automation
