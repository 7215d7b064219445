#include "platform/automation/apartment.h"

#include "platform/automation/local_server.h"

#include <atomic>
#include <cstdlib>
#include <mutex>

namespace velmora::automation {

namespace {

struct ThreadState {
    int initCount = 0;
    bool multithreaded = false;
    Executor* executor = nullptr;
};

ThreadState& threadState()
{
    thread_local ThreadState state;
    return state;
}

std::atomic<int> g_multithreadedThreads{0};
std::atomic<ULONG> g_serverLocks{0};

std::mutex& handlerMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<void()>& releasedHandler()
{
    static std::function<void()> handler;
    return handler;
}

// New activations now start a new server; the program ends its loop.
void serverReleased()
{
    LocalServer::instance().suspend();
    std::function<void()> handler;
    {
        std::lock_guard lock(handlerMutex());
        handler = releasedHandler();
    }
    if (handler)
        handler();
}

} // namespace

bool serverListensForClients()
{
    return LocalServer::instance().servesOtherProcesses();
}

void endServerWhenUnusedFor(std::chrono::milliseconds limit)
{
    LocalServer::instance().endWhenUnused(limit, limit.count() > 0 ? std::function<void()>(serverReleased)
                                                                   : std::function<void()>());
}

void setThreadExecutor(Executor* executor)
{
    threadState().executor = executor;
}

Executor* threadExecutor()
{
    return threadState().executor;
}

void setServerReleasedHandler(std::function<void()> handler)
{
    std::lock_guard lock(handlerMutex());
    releasedHandler() = std::move(handler);
}

ULONG serverProcessLockCount()
{
    return g_serverLocks.load();
}

bool activationAllowed()
{
    return threadState().initCount > 0 || g_multithreadedThreads.load() > 0;
}

} // namespace velmora::automation

using namespace velmora::automation;

HRESULT CoInitializeEx(void* /*reserved*/, DWORD coInit)
{
    ThreadState& state = threadState();
    const bool multithreaded = !(coInit & COINIT_APARTMENTTHREADED);
    if (state.initCount > 0) {
        if (state.multithreaded != multithreaded)
            return RPC_E_CHANGED_MODE;
        ++state.initCount;
        return S_FALSE;
    }
    state.initCount = 1;
    state.multithreaded = multithreaded;
    if (multithreaded)
        ++g_multithreadedThreads;
    return S_OK;
}

HRESULT CoInitialize(void* reserved)
{
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

HRESULT OleInitialize(void* reserved)
{
    return CoInitializeEx(reserved, COINIT_APARTMENTTHREADED);
}

void CoUninitialize()
{
    ThreadState& state = threadState();
    if (state.initCount == 0)
        return;
    if (--state.initCount == 0 && state.multithreaded)
        --g_multithreadedThreads;
}

void OleUninitialize()
{
    CoUninitialize();
}

ULONG CoAddRefServerProcess()
{
    return ++g_serverLocks;
}

ULONG CoReleaseServerProcess()
{
    ULONG current = g_serverLocks.load();
    // Never below zero, whatever an unbalanced caller does.
    while (current > 0 && !g_serverLocks.compare_exchange_weak(current, current - 1)) {
    }
    if (current != 1)
        return current == 0 ? 0 : current - 1;
    serverReleased();
    return 0;
}

void* CoTaskMemAlloc(std::size_t bytes)
{
    return std::malloc(bytes == 0 ? 1 : bytes);
}

void CoTaskMemFree(void* block)
{
    std::free(block);
}
