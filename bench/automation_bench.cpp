// Automation calls to a local server in another process (the test server): one
// property read, and image arrays beside a plain memcpy of the same bytes.
#include "platform/automation/apartment.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/testserver/test_object.h"
#include "platform/automation/testserver/test_server_registration.h"
#include "testing/temp_home.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <vector>

namespace {

using namespace velmora::automation;
using namespace velmora::automation::testing;

constexpr std::int64_t kColourImageBytes = 640 * 480 * 3 * 4;
constexpr std::int64_t kLargeImageBytes = std::int64_t(4096) * 4096 * 4;

// One server process for the whole run, started on first use.
struct BenchServer {
    velmora::testing::TempHome home;
    ComPtr<IDispatch> object;

    BenchServer()
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        CLSID clsid;
        if (registerTestServer(testServerCommand()) &&
            SUCCEEDED(CLSIDFromProgID(utf8ToUtf16(kTestProgId).c_str(), &clsid)))
            CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch, object.putVoid());
    }
    ~BenchServer()
    {
        object.reset();
        CoUninitialize();
    }
    bool setGeometry(LONG width, LONG height, LONG planes)
    {
        return SUCCEEDED(putProperty(object.get(), "ImageWidth", *Variant::i4(width).get())) &&
               SUCCEEDED(putProperty(object.get(), "ImageHeight", *Variant::i4(height).get())) &&
               SUCCEEDED(putProperty(object.get(), "ImagePlanes", *Variant::i4(planes).get()));
    }
};

BenchServer& server()
{
    static BenchServer instance;
    return instance;
}

void BM_PropertyGetRoundTrip(benchmark::State& state)
{
    IDispatch* object = server().object.get();
    DISPID id = DISPID_UNKNOWN;
    if (!object || FAILED(getIdOfName(object, "Value", id))) {
        state.SkipWithError("test server unavailable");
        return;
    }
    DISPPARAMS none;
    std::vector<double> micros;
    micros.reserve(1 << 16);
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        Variant value;
        object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, value.get(), nullptr,
                       nullptr);
        benchmark::DoNotOptimize(value->lVal);
        micros.push_back(
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(micros.begin(), micros.begin() + micros.size() / 2, micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
}
BENCHMARK(BM_PropertyGetRoundTrip)->UseRealTime();

void BM_ArrayTransfer(benchmark::State& state)
{
    const bool colour = state.range(0) == kColourImageBytes;
    if (!server().object ||
        !(colour ? server().setGeometry(640, 480, 3) : server().setGeometry(4096, 4096, 1))) {
        state.SkipWithError("test server unavailable");
        return;
    }
    DISPID id = DISPID_UNKNOWN;
    getIdOfName(server().object.get(), "ImageArray", id);
    DISPPARAMS none;
    // The first reads build the image and fault in the buffers; a camera client pays
    // that once too.
    for (int i = 0; i < 3; ++i) {
        Variant image;
        server().object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, image.get(),
                                nullptr, nullptr);
    }
    for (auto _ : state) {
        Variant image;
        server().object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET, &none, image.get(),
                                nullptr, nullptr);
        benchmark::DoNotOptimize(image->parray);
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ArrayTransfer)->Arg(kColourImageBytes)->Arg(kLargeImageBytes)->UseRealTime();

void BM_MemcpyArray(benchmark::State& state)
{
    const auto bytes = static_cast<std::size_t>(state.range(0));
    std::vector<char> from(bytes, 1), to(bytes, 2);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), bytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemcpyArray)->Arg(kColourImageBytes)->Arg(kLargeImageBytes)->UseRealTime();

} // namespace
