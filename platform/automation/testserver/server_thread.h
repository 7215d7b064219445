#pragma once
// A local server inside the test process: a thread running a PlainLoop that
// publishes one class (by default the test object) on the socket of its CLSID, so
// transport tests run both ends under the sanitizers without starting processes.

#include "platform/automation/class_factory.h"
#include "platform/automation/plain_loop.h"

#include <functional>
#include <string>
#include <thread>

namespace velmora::automation::testing {

class ServerThread {
public:
    explicit ServerThread(CreateFunction create, const CLSID& clsid);
    // The test object, holding no server process lock.
    ServerThread();
    // Disconnects every client, revokes the class and stops the thread.
    ~ServerThread();
    ServerThread(const ServerThread&) = delete;
    ServerThread& operator=(const ServerThread&) = delete;

    HRESULT status() const { return m_status; }
    const std::string& socketPath() const { return m_socketPath; }
    Executor& executor() { return m_loop; }
    // Runs task on the server's loop and waits for it.
    void runOnLoop(const std::function<void()>& task);

private:
    void serve(CreateFunction create, const CLSID& clsid);

    PlainLoop m_loop;
    std::thread m_thread;
    HRESULT m_status = E_FAIL;
    std::string m_socketPath;
    DWORD m_cookie = 0;
};

} // namespace velmora::automation::testing
