#pragma once
// Thread initialisation of the runtime, the server process's lock count, and the
// loop a thread's local-server calls run on.
//
// Activation (CoCreateInstance, CoGetClassObject, CoRegisterClassObject) needs the
// calling thread initialised, or any thread of the process in the multithreaded
// apartment (which every uninitialised thread then joins, as on Windows). Calls on
// objects need nothing.

#include "platform/automation/hresult.h"

#include <chrono>
#include <cstddef>
#include <functional>

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
constexpr DWORD COINIT_DISABLE_OLE1DDE = 0x4;
constexpr DWORD COINIT_SPEED_OVER_MEMORY = 0x8;

// S_OK the first time on a thread, S_FALSE again with the same model,
// RPC_E_CHANGED_MODE with the other one.
HRESULT CoInitializeEx(void* reserved, DWORD coInit);
HRESULT CoInitialize(void* reserved);
HRESULT OleInitialize(void* reserved);
// One call per successful (S_OK or S_FALSE) initialisation.
void CoUninitialize();
void OleUninitialize();

// The server process's lock count: one per live object and per client lock on a
// class object. When CoReleaseServerProcess brings it to 0 the class objects are
// suspended (new activations start a new server) and the released handler runs.
ULONG CoAddRefServerProcess();
ULONG CoReleaseServerProcess();

void* CoTaskMemAlloc(std::size_t bytes);
void CoTaskMemFree(void* block);

namespace velmora::automation {

class Executor;

// The loop on which class objects registered from this thread for
// CLSCTX_LOCAL_SERVER serve their clients. Set it on the loop's own thread before
// CoRegisterClassObject; null removes it.
void setThreadExecutor(Executor* executor);
Executor* threadExecutor();

// Called (on the releasing thread) each time the lock count falls to 0; the server
// program quits its loop there. Empty removes it.
void setServerReleasedHandler(std::function<void()> handler);
ULONG serverProcessLockCount();

// Whether this process listens for other processes' clients. A server started to
// serve them that does not (another live process holds the AppID) should end at once.
bool serverListensForClients();
// A server program's bound on serving nobody: one that has had no object and no lock
// for `limit` since it began listening, or since its last client went, ends as after
// its last release (class objects suspended, the released handler run). Zero turns it
// off.
void endServerWhenUnusedFor(std::chrono::milliseconds limit);
// The bound the server programs use.
constexpr std::chrono::milliseconds kUnusedServerLimit{30000};

// Holds one server process lock for its lifetime: a member of each server object.
class ServerProcessReference {
public:
    ServerProcessReference() { CoAddRefServerProcess(); }
    ~ServerProcessReference() { CoReleaseServerProcess(); }
    ServerProcessReference(const ServerProcessReference&) = delete;
    ServerProcessReference& operator=(const ServerProcessReference&) = delete;
};

// Whether activation may run on the calling thread (see above).
bool activationAllowed();

} // namespace velmora::automation
