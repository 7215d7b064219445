// The test server: serves VelmoraTest.Object when started with -Embedding, as a
// driver server does. "--idle" starts without serving (for start-up time-outs),
// "--exit" ends at once with status 3; a server that finds another instance serving
// ends at once with status 4.
#include "platform/automation/apartment.h"
#include "platform/automation/class_factory.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/plain_loop.h"
#include "platform/automation/testserver/test_object.h"
#include "platform/registry/registry.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <thread>

using namespace velmora::automation;
using namespace velmora::automation::testing;

namespace {

// Appends this process's id to a file the tests count server starts with.
void recordStart()
{
    std::ofstream log(velmora::registry::velmoraHome() + "/testserver-starts.log", std::ios::app);
    log << ::getpid() << "\n";
}

int serve()
{
    recordStart();
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    PlainLoop loop;
    setThreadExecutor(&loop);
    TestObject::setNestedLoop(
        [&loop](std::chrono::milliseconds time) { loop.runUntil([] { return false; }, time); });
    setServerReleasedHandler([&loop] { loop.quit(); });
    ComPtr<IClassFactory> factory = makeObject<ClassFactory>(creatorFor<TestObject>(true));
    DWORD cookie = 0;
    if (FAILED(CoRegisterClassObject(CLSID_VelmoraTestObject, factory.get(), CLSCTX_LOCAL_SERVER,
                                     REGCLS_MULTIPLEUSE, &cookie)))
        return 1;
    // As a driver server does: end at once when another instance serves the AppID,
    // and by itself when nobody uses it (so a failed test leaves no process behind).
    if (!serverListensForClients()) {
        CoRevokeClassObject(cookie);
        return 4;
    }
    endServerWhenUnusedFor(kUnusedServerLimit);
    loop.run();
    CoRevokeClassObject(cookie);
    setServerReleasedHandler({});
    TestObject::setNestedLoop({});
    setThreadExecutor(nullptr);
    CoUninitialize();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    bool embedding = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--exit") == 0)
            return 3;
        if (std::strcmp(argv[i], "--idle") == 0) {
            std::this_thread::sleep_for(std::chrono::seconds(2));
            return 0;
        }
        if (std::strcmp(argv[i], "-Embedding") == 0 || std::strcmp(argv[i], "/Embedding") == 0)
            embedding = true;
    }
    return embedding ? serve() : 2;
}
