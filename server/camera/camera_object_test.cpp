// The ICamera automation object in process, called by member name as clients call it:
// ImageArray as a new SAFEARRAY, GetRawBuffer as WM_COPYDATA to a window, and the
// failure convention.
#include "server/camera/camera.h"

#include "platform/automation/dispatch_calls.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant.h"
#include "server/common/fake_pulse_clock.h"
#include "server/ports/fake_port_devices.h"
#include "sim/sky/manual_sim_clock.h"
#include "sim/sky/sky_simulator_backend.h"
#include "testing/eventually.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#include <vector>

namespace velmora::server {
namespace {

using automation::Variant;
using namespace std::chrono_literals;

constexpr int kWidth = 160;
constexpr int kHeight = 128;

class CameraObjectTest : public ::testing::Test {
protected:
    CameraObjectTest()
    {
        // A small frame keeps the free-running simulated stream light.
        store.setCurrent(kCameraDriverName, kDefaultProfile);
        store.writeNumber("Format", "Width", kWidth);
        store.writeNumber("Format", "Height", kHeight);
        environment.captureBackends = {&sky};
        environment.ports = &ports;
        environment.settings = &store;
        environment.clock = &pulseClock;
    }

    HRESULT get(const char* name, Variant& value, std::string* failure = nullptr)
    {
        EXCEPINFO exception;
        const HRESULT hr = automation::getProperty(camera.get(), name, value.put(), &exception);
        if (failure)
            *failure = automation::bstrToUtf8(exception.bstrDescription);
        ClearExcepInfo(&exception);
        return hr;
    }
    HRESULT call(const char* name, std::vector<Variant> args, Variant& result, std::string* failure = nullptr)
    {
        std::vector<VARIANT> raw;
        for (Variant& a : args)
            raw.push_back(*a.get());
        EXCEPINFO exception;
        const HRESULT hr = automation::callMethod(camera.get(), name, raw, result.put(), &exception);
        if (failure)
            *failure = automation::bstrToUtf8(exception.bstrDescription);
        ClearExcepInfo(&exception);
        return hr;
    }
    // Connects, exposes `seconds` and waits for the image.
    void expose(double seconds)
    {
        Variant result;
        ASSERT_EQ(automation::putProperty(camera.get(), "Connected", *Variant::boolean(true).get()), S_OK);
        ASSERT_EQ(call(
                      "StartExposure",
                      [&] {
                          std::vector<Variant> a;
                          a.push_back(Variant::r8(seconds));
                          a.push_back(Variant::boolean(true));
                          return a;
                      }(),
                      result),
                  S_OK);
        EXPECT_EQ(result->vt, VT_BOOL);
        EXPECT_NE(result->boolVal, 0);
        EXPECT_TRUE(velmora::testing::eventually([&] {
            Variant ready;
            return get("ImageReady", ready) == S_OK && ready->boolVal;
        })) << "no image";
    }
    // The image values as the core holds them.
    std::vector<std::int32_t> coreImage()
    {
        std::vector<std::int32_t> values;
        camera->core().useImage([&](const ColourImage& image) {
            values.assign(image.data(), image.data() + image.valueCount());
        });
        return values;
    }

    velmora::testing::TempHome home;
    FakePortDevices devices;
    PortRegistry ports{devices};
    DeviceSettings store;
    FakePulseClock pulseClock;
    sim::ManualSimClock skyClock{sim::ManualSimClock::TimePoint{} + 1h, true};
    sim::SkyModel model{sim::SkyParameters{}, skyClock.now()};
    sim::SkySimulatorBackend sky{model, skyClock};
    CameraEnvironment environment;
    automation::ComPtr<Camera> camera;
};

TEST_F(CameraObjectTest, ImageArrayIsANewArrayOfTwoOrThreeDimensions)
{
    camera = automation::makeObject<Camera>(environment);
    expose(0.0);
    Variant first;
    Variant second;
    ASSERT_EQ(get("ImageArray", first), S_OK);
    ASSERT_EQ(get("ImageArray", second), S_OK);
    ASSERT_EQ(first->vt, VT_ARRAY | VT_I4);
    EXPECT_NE(first->parray, second->parray) << "a new array for every read";
    SAFEARRAY* array = first->parray;
    ASSERT_EQ(SafeArrayGetDim(array), 3u);
    LONG upper = 0;
    SafeArrayGetUBound(array, 1, &upper);
    EXPECT_EQ(upper, kWidth - 1);
    SafeArrayGetUBound(array, 2, &upper);
    EXPECT_EQ(upper, kHeight - 1);
    SafeArrayGetUBound(array, 3, &upper);
    EXPECT_EQ(upper, 2);
    const std::vector<std::int32_t> values = coreImage();
    ASSERT_EQ(values.size(), automation::safeArrayElementCount(array));
    EXPECT_EQ(std::memcmp(array->pvData, values.data(), values.size() * 4), 0);
    // x fastest, then y, then plane.
    const LONG index[] = {7, 5, 2};
    LONG element = 0;
    SafeArrayGetElement(array, index, &element);
    EXPECT_EQ(element, values[2 * kWidth * kHeight + 5 * kWidth + 7]);

    camera->core().setColourMode(0);
    expose(0.0);
    ASSERT_EQ(get("ImageArray", first), S_OK);
    EXPECT_EQ(SafeArrayGetDim(first->parray), 2u);
    EXPECT_EQ(automation::safeArrayElementCount(first->parray), static_cast<std::size_t>(kWidth * kHeight));
}

TEST_F(CameraObjectTest, GetRawBufferSendsTheImageToTheWindowInOneMessage)
{
    camera = automation::makeObject<Camera>(environment);
    expose(0.1);
    struct Received {
        UINT message = 0;
        WPARAM word = 0;
        ULONG_PTR id = 0;
        std::vector<std::int32_t> values;
        int calls = 0;
    } received;
    const HWND window = RegisterWindowProc([&](HWND, UINT message, WPARAM word, LPARAM data) -> LRESULT {
        const auto* copy = reinterpret_cast<const COPYDATASTRUCT*>(data);
        received.message = message;
        received.word = word;
        received.id = copy->dwData;
        const auto* values = static_cast<const std::int32_t*>(copy->lpData);
        received.values.assign(values, values + copy->cbData / 4);
        ++received.calls;
        return 0;
    });
    // Only the low 32 bits name the window.
    const auto handle = static_cast<LONGLONG>(static_cast<std::uint64_t>(window) | 0x5A5A'0000'0000ull);
    Variant result;
    std::vector<Variant> args;
    args.push_back(Variant::i8(handle));
    EXPECT_EQ(call("GetRawBuffer", std::move(args), result), S_OK);
    UnregisterWindowProc(window);

    EXPECT_EQ(received.calls, 1);
    EXPECT_EQ(received.message, WM_COPYDATA);
    EXPECT_EQ(received.word, static_cast<WPARAM>(kWidth) << 17 | static_cast<WPARAM>(kHeight) << 2 | 3u);
    EXPECT_NE(received.id, 0u);
    Variant array;
    ASSERT_EQ(get("ImageArray", array), S_OK);
    ASSERT_EQ(received.values.size(), automation::safeArrayElementCount(array->parray));
    EXPECT_EQ(std::memcmp(array->parray->pvData, received.values.data(), received.values.size() * 4), 0);
}

TEST_F(CameraObjectTest, FailuresFollowTheConvention)
{
    camera = automation::makeObject<Camera>(environment);
    Variant value;
    std::string failure;
    EXPECT_EQ(get("ImageArray", value, &failure), DISP_E_EXCEPTION);
    EXPECT_EQ(failure, "Not Connected");
    EXPECT_EQ(get("BinX", value, &failure), DISP_E_EXCEPTION);
    EXPECT_EQ(failure, "Not Supported");
    std::vector<Variant> args;
    args.push_back(Variant::r8(-0.001));
    args.push_back(Variant::boolean(true));
    EXPECT_EQ(call("StartExposure", std::move(args), value, &failure), DISP_E_EXCEPTION);
    EXPECT_EQ(failure, "Invalid Duration");
    ASSERT_EQ(get("CanAbortExposure", value), S_OK);
    EXPECT_NE(value->boolVal, 0);
    ASSERT_EQ(get("CameraXSize", value), S_OK);
    EXPECT_EQ(value->lVal, kWidth);

    // No device at all: S_FALSE, and still not connected.
    environment.captureBackends.clear();
    camera = automation::makeObject<Camera>(environment);
    EXPECT_EQ(automation::putProperty(camera.get(), "Connected", *Variant::boolean(true).get()), S_FALSE);
    ASSERT_EQ(get("Connected", value), S_OK);
    EXPECT_EQ(value->boolVal, 0);
}

} // namespace
} // namespace velmora::server
