// A second client process for the tests: creates one object of a ProgID and
//   report  puts Value = its own pid, waits a little, prints
//           "server <server pid> value <Value read back>" and releases it;
//   hold    prints "ready <server pid>" and waits to be killed.
#include "platform/automation/apartment.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch_calls.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <thread>

using namespace velmora::automation;

int main(int argc, char** argv)
{
    if (argc != 3)
        return 2;
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    CLSID clsid;
    ComPtr<IDispatch> object;
    if (FAILED(CLSIDFromProgID(utf8ToUtf16(argv[1]).c_str(), &clsid)) ||
        FAILED(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid())))
        return 1;
    Variant server;
    if (FAILED(getProperty(object.get(), "ProcessId", server.get())))
        return 1;
    if (std::strcmp(argv[2], "hold") == 0) {
        std::printf("ready %d\n", static_cast<int>(server->lVal));
        std::fflush(stdout);
        for (;;)
            ::pause();
    }
    Variant mine = Variant::i4(static_cast<LONG>(::getpid()));
    Variant back;
    if (FAILED(putProperty(object.get(), "Value", *mine.get())))
        return 1;
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    if (FAILED(getProperty(object.get(), "Value", back.get())))
        return 1;
    std::printf("server %d value %d\n", static_cast<int>(server->lVal), static_cast<int>(back->lVal));
    object.reset();
    CoUninitialize();
    return 0;
}
