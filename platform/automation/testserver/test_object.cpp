#include "platform/automation/testserver/test_object.h"

#include "platform/automation/deferred_call.h"
#include "platform/automation/error_info.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/window_messages.h"

#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <system_error>
#include <thread>

namespace velmora::automation::testing {

namespace {

std::atomic<int> g_live{0};
std::atomic<int> g_calls{0};

struct ReleaseGate {
    std::mutex mutex;
    std::condition_variable changed;
    int waiting = 0;
    int releases = 0;
};

ReleaseGate& gate()
{
    static ReleaseGate g;
    return g;
}

std::mutex& loopMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::function<void(std::chrono::milliseconds)>& nestedLoop()
{
    static std::function<void(std::chrono::milliseconds)> run;
    return run;
}

// Nested loops entered so far, for tests to wait on.
struct NestedLoops {
    std::mutex mutex;
    std::condition_variable changed;
    int entered = 0;
};

NestedLoops& nestedLoops()
{
    static NestedLoops loops;
    return loops;
}

// What a handler throws for the tests of the automation boundary.
[[noreturn]] void throwNamed(std::string_view what)
{
    if (what == "bad_alloc")
        throw std::bad_alloc();
    if (what == "system_error")
        throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again));
    throw 42; // not even an exception class
}

HRESULT setI4(VARIANT* result, LONG value)
{
    result->vt = VT_I4;
    result->lVal = value;
    return S_OK;
}

HRESULT setString(VARIANT* result, std::string_view text)
{
    result->vt = VT_BSTR;
    result->bstrVal = bstrFromUtf8(text);
    return S_OK;
}

// Counts every call, to show that calls were served during a nested loop.
template <class F> DispatchTable<TestObject>::Handler counted(F f)
{
    return [f](TestObject& self, DispatchArgs args, VARIANT* result) -> HRESULT {
        ++g_calls;
        return f(self, args, result);
    };
}

} // namespace

std::int32_t imageValue(std::int32_t x, std::int32_t y, std::int32_t plane)
{
    return (x * 7 + y * 3 + plane * 11) % 4096;
}

TestObject::TestObject(bool holdsServer) : DispatchObject(IID_IVelmoraTestObject)
{
    if (holdsServer)
        m_serverReference = std::make_unique<ServerProcessReference>();
    ++g_live;
}

TestObject::~TestObject()
{
    --g_live;
}

int TestObject::liveObjects()
{
    return g_live.load();
}

int TestObject::callsServed()
{
    return g_calls.load();
}

int TestObject::waitingForRelease()
{
    std::lock_guard lock(gate().mutex);
    return gate().waiting;
}

void TestObject::releaseWaiters()
{
    std::lock_guard lock(gate().mutex);
    ++gate().releases;
    gate().changed.notify_all();
}

int TestObject::nestedLoopsEntered()
{
    std::lock_guard lock(nestedLoops().mutex);
    return nestedLoops().entered;
}

bool TestObject::waitForNestedLoops(int count, std::chrono::milliseconds limit)
{
    std::unique_lock lock(nestedLoops().mutex);
    return nestedLoops().changed.wait_for(lock, limit, [count] { return nestedLoops().entered >= count; });
}

void TestObject::setNestedLoop(std::function<void(std::chrono::milliseconds)> run)
{
    std::lock_guard lock(loopMutex());
    nestedLoop() = std::move(run);
}

const DispatchTable<TestObject>& TestObject::dispatchTable()
{
    static const DispatchTable<TestObject> table = makeTable();
    return table;
}

HRESULT TestObject::sendCopyData(DispatchArgs args, VARIANT* result)
{
    const auto hwnd = static_cast<HWND>(static_cast<std::uint64_t>(args[0].llVal));
    const LONG count = args[1].lVal < 0 ? 0 : args[1].lVal;
    std::vector<std::int32_t> data(static_cast<std::size_t>(count));
    for (LONG i = 0; i < count; ++i)
        data[static_cast<std::size_t>(i)] = i * 3 + 1;
    COPYDATASTRUCT copy{0x1234, static_cast<DWORD>(data.size() * sizeof(std::int32_t)), data.data()};
    const LRESULT answer =
        SendMessage(hwnd, WM_COPYDATA, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(&copy));
    result->vt = VT_I8;
    result->llVal = answer;
    return S_OK;
}

HRESULT TestObject::imageArray(VARIANT* result)
{
    const std::size_t count = static_cast<std::size_t>(m_width) * static_cast<std::size_t>(m_height) *
                              static_cast<std::size_t>(m_planes);
    if (m_image.size() != count) {
        m_image.resize(count);
        std::size_t i = 0;
        for (LONG p = 0; p < m_planes; ++p)
            for (LONG y = 0; y < m_height; ++y)
                for (LONG x = 0; x < m_width; ++x)
                    m_image[i++] = imageValue(x, y, p);
    }
    const SAFEARRAYBOUND bounds[3] = {{static_cast<ULONG>(m_width), 0},
                                      {static_cast<ULONG>(m_height), 0},
                                      {static_cast<ULONG>(m_planes), 0}};
    // As a camera does: a new array holding a copy of the image, per read (not zeroed
    // first, as every element is written).
    SAFEARRAY* psa = createUninitializedSafeArray(VT_I4, m_planes == 1 ? 2 : 3, bounds);
    if (!psa)
        return reportError(IID_IVelmoraTestObject, kTestProgIdVersion, "Image Too Large");
    if (count)
        std::memcpy(psa->pvData, m_image.data(), count * sizeof(std::int32_t));
    result->vt = VT_ARRAY | VT_I4;
    result->parray = psa;
    return S_OK;
}

void TestObject::addValueMembers(DispatchTable<TestObject>& t)
{
    using T = TestObject;
    t.get("Value", 1, VT_I4,
          counted([](T& self, DispatchArgs, VARIANT* r) { return setI4(r, self.m_value); }), "property Value")
        .put("Value", 1, VT_I4, counted([](T& self, DispatchArgs a, VARIANT*) {
                 self.m_value = a[0].lVal;
                 return S_OK;
             }),
             "property Value")
        .get("ProcessId", 2, VT_I4,
             counted([](T&, DispatchArgs, VARIANT* r) { return setI4(r, ::getpid()); }))
        .get("ObjectCount", 3, VT_I4,
             counted([](T&, DispatchArgs, VARIANT* r) { return setI4(r, g_live.load()); }))
        .method("Concat", 4, {{"A", VT_BSTR}, {"B", VT_BSTR}, {"C", VT_BSTR}}, VT_BSTR,
                counted([](T&, DispatchArgs a, VARIANT* r) {
                    return setString(r, bstrToUtf8(a[0].bstrVal) + "|" + bstrToUtf8(a[1].bstrVal) + "|" +
                                            bstrToUtf8(a[2].bstrVal));
                }),
                "method Concat")
        .method("Subtract", 5, {{"A", VT_R8}, {"B", VT_R8}}, VT_R8,
                counted([](T&, DispatchArgs a, VARIANT* r) {
                    r->vt = VT_R8;
                    r->dblVal = a[0].dblVal - a[1].dblVal;
                    return S_OK;
                }))
        .method("Fail", 6, {{"Description", VT_BSTR}}, VT_EMPTY, counted([](T&, DispatchArgs a, VARIANT*) {
                    return reportError(IID_IVelmoraTestObject, kTestProgIdVersion, bstrToUtf8(a[0].bstrVal));
                }))
        .method("Echo", 16, {{"Value", VT_VARIANT}}, VT_VARIANT,
                counted([](T&, DispatchArgs a, VARIANT* r) { return VariantCopy(r, &a[0]); }))
        .get("Child", 17, VT_DISPATCH, counted([](T&, DispatchArgs, VARIANT* r) {
                 r->vt = VT_DISPATCH;
                 r->pdispVal = makeObject<TestObject>(false).detach();
                 return S_OK;
             }))
        .get("Names", 18, VT_ARRAY | VT_VARIANT, counted([](T&, DispatchArgs, VARIANT* r) {
                 SAFEARRAY* psa = SafeArrayCreateVector(VT_VARIANT, 0, 3);
                 auto* items = static_cast<VARIANT*>(psa->pvData);
                 setString(&items[0], "alpha");
                 setI4(&items[1], 2);
                 items[2].vt = VT_BOOL;
                 items[2].boolVal = VARIANT_TRUE;
                 r->vt = VT_ARRAY | VT_VARIANT;
                 r->parray = psa;
                 return S_OK;
             }));
}

void TestObject::addImageMembers(DispatchTable<TestObject>& t)
{
    using T = TestObject;
    auto geometry = [](LONG T::*field) {
        return counted([field](T& self, DispatchArgs args, VARIANT*) {
            if (args[0].lVal < 1 || args[0].lVal > 8192)
                return reportError(IID_IVelmoraTestObject, kTestProgIdVersion, "Invalid Size");
            self.*field = args[0].lVal;
            return S_OK;
        });
    };
    auto read = [](LONG T::*field) {
        return counted([field](T& self, DispatchArgs, VARIANT* r) { return setI4(r, self.*field); });
    };
    t.get("ImageArray", 9, VT_ARRAY | VT_I4,
          counted([](T& self, DispatchArgs, VARIANT* r) { return self.imageArray(r); }))
        .get("ImageWidth", 10, VT_I4, read(&T::m_width))
        .put("ImageWidth", 10, VT_I4, geometry(&T::m_width))
        .get("ImageHeight", 11, VT_I4, read(&T::m_height))
        .put("ImageHeight", 11, VT_I4, geometry(&T::m_height))
        .get("ImagePlanes", 12, VT_I4, read(&T::m_planes))
        .put("ImagePlanes", 12, VT_I4, geometry(&T::m_planes));
}

void TestObject::addTimingMembers(DispatchTable<TestObject>& t)
{
    using T = TestObject;
    t.method("Sleep", 7, {{"Milliseconds", VT_I4}}, VT_EMPTY, counted([](T&, DispatchArgs a, VARIANT*) {
                 std::this_thread::sleep_for(std::chrono::milliseconds(a[0].lVal));
                 return S_OK;
             }))
        .method("SendCopyData", 8, {{"Window", VT_I8}, {"Count", VT_I4}}, VT_I8,
                counted([](T& self, DispatchArgs a, VARIANT* r) { return self.sendCopyData(a, r); }))
        .get("Ready", 13, VT_BOOL, counted([](T& self, DispatchArgs, VARIANT* r) {
                 r->vt = VT_BOOL;
                 r->boolVal =
                     std::chrono::steady_clock::now() >= self.m_readyAt ? VARIANT_TRUE : VARIANT_FALSE;
                 return S_OK;
             }))
        .put("ReadyAfter", 14, VT_I4, counted([](T& self, DispatchArgs a, VARIANT*) {
                 self.m_readyAt = std::chrono::steady_clock::now() + std::chrono::milliseconds(a[0].lVal);
                 return S_OK;
             }))
        .method("ModalLoop", 15, {{"Milliseconds", VT_I4}}, VT_I4,
                counted([](T&, DispatchArgs a, VARIANT* r) {
                    const int before = g_calls.load();
                    std::function<void(std::chrono::milliseconds)> run;
                    {
                        std::lock_guard lock(loopMutex());
                        run = nestedLoop();
                    }
                    {
                        std::lock_guard lock(nestedLoops().mutex);
                        ++nestedLoops().entered;
                    }
                    nestedLoops().changed.notify_all();
                    if (run)
                        run(std::chrono::milliseconds(a[0].lVal));
                    return setI4(r, g_calls.load() - before);
                }))
        .get("CallCount", 19, VT_I4,
             counted([](T&, DispatchArgs, VARIANT* r) { return setI4(r, g_calls.load()); }));
}

void TestObject::addDeferredMembers(DispatchTable<TestObject>& t)
{
    using T = TestObject;
    // Waits off the loop for the test's release, then answers the object's Value.
    t.method("WaitForRelease", 20, {}, VT_I4, counted([](T& self, DispatchArgs, VARIANT* r) {
                 return deferCall(
                     r,
                     [] {
                         std::unique_lock lock(gate().mutex);
                         const int before = gate().releases;
                         ++gate().waiting;
                         gate().changed.wait_for(lock, std::chrono::seconds(10),
                                                 [before] { return gate().releases != before; });
                         --gate().waiting;
                     },
                     [&self](VARIANT* out) { return setI4(out, self.m_value); });
             }))
        // Handlers that throw, on the loop or in their deferred work: "bad_alloc",
        // "system_error", or anything else for a thrown int.
        .method(
            "Throw", 22, {{"What", VT_BSTR}}, VT_EMPTY,
            counted([](T&, DispatchArgs a, VARIANT*) -> HRESULT { throwNamed(bstrToUtf8(a[0].bstrVal)); }))
        .method("ThrowLater", 23, {{"What", VT_BSTR}}, VT_I4, counted([](T&, DispatchArgs a, VARIANT* r) {
                    const std::string what = bstrToUtf8(a[0].bstrVal);
                    return deferCall(
                        r, [what] { throwNamed(what); }, [](VARIANT* out) { return setI4(out, 1); });
                }))
        .get("Waiting", 24, VT_I4,
             counted([](T&, DispatchArgs, VARIANT* r) { return setI4(r, TestObject::waitingForRelease()); }))
        // Stands for a driver's dialog: it takes as long as it takes.
        .method("SetupDialog", 21, {{"Milliseconds", VT_I4}}, VT_EMPTY,
                counted([](T&, DispatchArgs a, VARIANT*) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(a[0].lVal));
                    return S_OK;
                }));
}

DispatchTable<TestObject> TestObject::makeTable()
{
    DispatchTable<TestObject> table;
    addValueMembers(table);
    addImageMembers(table);
    addTimingMembers(table);
    addDeferredMembers(table);
    return table;
}

} // namespace velmora::automation::testing
