#include "platform/automation/testserver/server_thread.h"

#include "platform/automation/apartment.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/local_server.h"
#include "platform/automation/runtime_folder.h"
#include "platform/automation/testserver/test_object.h"

#include <future>

namespace velmora::automation::testing {

ServerThread::ServerThread() : ServerThread(creatorFor<TestObject>(false), CLSID_VelmoraTestObject) {}

ServerThread::ServerThread(CreateFunction create, const CLSID& clsid)
{
    std::promise<void> ready;
    auto started = ready.get_future();
    m_thread = std::thread([this, create = std::move(create), clsid, &ready]() mutable {
        serve(std::move(create), clsid);
        ready.set_value();
        m_loop.run();
        LocalServer::instance().disconnectAll(m_loop);
        CoRevokeClassObject(m_cookie);
        TestObject::setNestedLoop({});
        setThreadExecutor(nullptr);
        CoUninitialize();
    });
    started.wait();
}

void ServerThread::serve(CreateFunction create, const CLSID& clsid)
{
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    setThreadExecutor(&m_loop);
    TestObject::setNestedLoop(
        [this](std::chrono::milliseconds time) { m_loop.runUntil([] { return false; }, time); });
    ComPtr<IClassFactory> factory = makeObject<ClassFactory>(std::move(create));
    m_status =
        CoRegisterClassObject(clsid, factory.get(), CLSCTX_LOCAL_SERVER, REGCLS_MULTIPLEUSE, &m_cookie);
    if (const auto folder = socketFolder())
        m_socketPath = serverFilePath(*folder, clsid, ".sock");
}

ServerThread::~ServerThread()
{
    m_loop.quit();
    m_thread.join();
}

void ServerThread::runOnLoop(const std::function<void()>& task)
{
    std::promise<void> done;
    m_loop.post([&] {
        task();
        done.set_value();
    });
    done.get_future().wait();
}

} // namespace velmora::automation::testing
