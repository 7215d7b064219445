// The camera of the real VelmoraServer in simulator mode, on a machine without video
// devices: an exposure through velmora-call, GetRawBuffer to a window of this process,
// and guide pulses of the telescope moving the simulated star in the camera's frames.
#include "platform/automation/apartment.h"
#include "platform/automation/bstr.h"
#include "platform/automation/class_registry.h"
#include "platform/automation/com_ptr.h"
#include "platform/automation/dispatch_calls.h"
#include "platform/automation/safe_array.h"
#include "platform/automation/variant.h"
#include "platform/automation/window_messages.h"
#include "platform/registry/registry.h"
#include "server/app/simulated_server_test.h"
#include "testing/eventually.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <thread>
#include <vector>

using namespace velmora;
using automation::Variant;
using velmora::testing::runProgram;

namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 640;
constexpr int kHeight = 480;

void storeNumber(const char* keyPath, const char* name, DWORD value)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, keyPath, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

class CameraServerTest : public velmora::testing::SimulatedServerTest {
protected:
    void TearDown() override
    {
        camera.reset();
        telescope.reset();
        SimulatedServerTest::TearDown();
    }

    // One still star on the field centre: no drift, periodic error, seeing or noise, and
    // in focus where the focuser starts (its motor is at 0).
    void stillSky()
    {
        const char* key = "Software\\Velmora Software\\Simulator";
        for (const char* name : {"Seeing", "Drift RA", "Drift Dec", "PE Amplitude", "Noise", "Best Focus"})
            storeNumber(key, name, 0);
        storeNumber(key, "Stars", 1);
        // 20 frames a second keeps the exposures short.
        storeNumber("Software\\Velmora Software\\Velmora WebCamera ASCOM Driver\\Default\\Format", "Period",
                    500000);
    }

    void connect(IDispatch* object)
    {
        ASSERT_EQ(automation::putProperty(object, "Connected", *Variant::boolean(true).get()), S_OK);
    }
    bool isTrue(IDispatch* object, const char* member)
    {
        Variant value;
        return automation::getProperty(object, member, value.put()) == S_OK && value->vt == VT_BOOL &&
               value->boolVal != 0;
    }
    // A zero-length exposure started now; the image values when it is ready.
    std::vector<std::int32_t> expose()
    {
        Variant args[] = {Variant::r8(0.0), Variant::boolean(true)};
        const VARIANT raw[] = {*args[0].get(), *args[1].get()};
        Variant started;
        EXPECT_EQ(automation::callMethod(camera.get(), "StartExposure", raw, started.put()), S_OK);
        EXPECT_TRUE(velmora::testing::eventually([&] { return isTrue(camera.get(), "ImageReady"); }));
        Variant image;
        EXPECT_EQ(automation::getProperty(camera.get(), "ImageArray", image.put()), S_OK);
        if (image->vt != (VT_ARRAY | VT_I4))
            return {};
        const auto* values = static_cast<const std::int32_t*>(image->parray->pvData);
        return {values, values + automation::safeArrayElementCount(image->parray)};
    }
    void pulse(int direction, int milliseconds)
    {
        Variant args[] = {Variant::i4(direction), Variant::i4(milliseconds)};
        const VARIANT raw[] = {*args[0].get(), *args[1].get()};
        Variant result;
        ASSERT_EQ(automation::callMethod(telescope.get(), "PulseGuide", raw, result.put()), S_OK);
        EXPECT_TRUE(velmora::testing::eventually([&] { return !isTrue(telescope.get(), "IsPulseGuiding"); }));
    }

    automation::ComPtr<IDispatch> camera;
    automation::ComPtr<IDispatch> telescope;
};

struct Centroid {
    double x = 0.0;
    double y = 0.0;
};

// The star's centroid in the green plane, above the sky level, around its brightest pixel.
Centroid starCentroid(const std::vector<std::int32_t>& image, int background = 20)
{
    const std::int32_t* green = image.data() + kWidth * kHeight;
    int peak = 0;
    for (int i = 1; i < kWidth * kHeight; ++i)
        peak = green[i] > green[peak] ? i : peak;
    const int px = peak % kWidth;
    const int py = peak / kWidth;
    double sum = 0.0;
    Centroid c;
    for (int y = std::max(py - 10, 0); y <= std::min(py + 10, kHeight - 1); ++y)
        for (int x = std::max(px - 10, 0); x <= std::min(px + 10, kWidth - 1); ++x) {
            const double v = std::max(green[y * kWidth + x] - background, 0);
            sum += v;
            c.x += v * x;
            c.y += v * y;
        }
    c.x /= sum;
    c.y /= sum;
    return c;
}

} // namespace

TEST_F(CameraServerTest, VelmoraCallExposesTheSkySimulatorWithoutVideoDevices)
{
    auto outcome = runProgram(VELMORA_CALL_PATH,
                              {"VelmoraServer.Camera", "put", "Connected", "true", "call", "StartExposure",
                               "0", "true", "wait-true", "ImageReady", "5000", "get", "ImageArray"},
                              home.path());
    EXPECT_EQ(outcome.status, 0) << outcome.err;
    EXPECT_EQ(outcome.out.rfind("Connected = true\nStartExposure = true\nImageReady = true\n"
                                "ImageArray = [640x480x3 i4 min=",
                                0),
              0u)
        << outcome.out;

    outcome = runProgram(VELMORA_CALL_PATH,
                         {"VelmoraServer.Camera", "call", "StartExposure", "-0.001", "true"}, home.path());
    EXPECT_EQ(outcome.out, "StartExposure: error 0x80020009 \"Invalid Duration\"\n");
    outcome =
        runProgram(VELMORA_CALL_PATH,
                   {"VelmoraServer.Camera", "put", "Connected", "true", "call", "StartExposure", "0.201",
                    "true", "get", "CameraState", "call", "AbortExposure", "get", "ImageArray"},
                   home.path());
    EXPECT_EQ(outcome.out, "Connected = true\nStartExposure = true\nCameraState = 2\nAbortExposure = empty\n"
                           "ImageArray: error 0x80020009 \"Image Not Ready\"\n")
        << outcome.err;
}

TEST_F(CameraServerTest, GetRawBufferSendsTheImageArrayValuesToAWindowOfTheClient)
{
    camera = create("VelmoraServer.Camera");
    ASSERT_TRUE(camera);
    connect(camera.get());
    const std::vector<std::int32_t> image = expose();
    ASSERT_EQ(image.size(), static_cast<std::size_t>(kWidth * kHeight * 3));

    WPARAM word = 0;
    std::vector<std::int32_t> received;
    const HWND window = RegisterWindowProc([&](HWND, UINT message, WPARAM w, LPARAM l) -> LRESULT {
        if (message != WM_COPYDATA)
            return 0;
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(l);
        const auto* values = static_cast<const std::int32_t*>(data->lpData);
        word = w;
        received.assign(values, values + data->cbData / 4);
        return 1;
    });
    Variant handle = Variant::i8(static_cast<LONGLONG>(window));
    Variant result;
    EXPECT_EQ(automation::callMethod(camera.get(), "GetRawBuffer", std::span(handle.get(), 1), result.put()),
              S_OK);
    UnregisterWindowProc(window);
    EXPECT_EQ(word, WPARAM{kWidth} << 17 | WPARAM{kHeight} << 2 | 3u);
    ASSERT_EQ(received.size(), image.size());
    EXPECT_TRUE(received == image);
}

TEST_F(CameraServerTest, ADefaultExposureAtTheShippedSimulatorSettingsShowsItsStars)
{
    // Nothing stored: the camera's and the simulator's defaults, the focuser where it starts.
    camera = create("VelmoraServer.Camera");
    ASSERT_TRUE(camera);
    connect(camera.get());
    const std::vector<std::int32_t> image = expose(); // as the client's "Exposure Time" 0
    ASSERT_EQ(image.size(), static_cast<std::size_t>(kWidth * kHeight * 3)) << "colour mode \"Original\"";
    for (int plane = 0; plane < 3; ++plane) {
        const auto first = image.begin() + plane * kWidth * kHeight;
        const auto last = first + kWidth * kHeight;
        const double mean = std::accumulate(first, last, 0.0) / (kWidth * kHeight);
        const std::int32_t peak = *std::max_element(first, last);
        EXPECT_GE(peak, 3 * mean) << "plane " << plane << ": the brightest star is sharp";
    }
}

TEST_F(CameraServerTest, GuidePulsesOnTheSimulatedPortMoveTheStarByTheGuideRate)
{
    stillSky();
    camera = create("VelmoraServer.Camera");
    telescope = create("VelmoraServer.Telescope");
    ASSERT_TRUE(camera && telescope);
    connect(camera.get());
    connect(telescope.get());

    const Centroid before = starCentroid(expose());
    EXPECT_NEAR(before.x, kWidth / 2.0, 1.0) << "the star on the field centre";
    EXPECT_NEAR(before.y, kHeight / 2.0, 1.0);
    // 0.5 x 15''/s at 1.15''/pixel: West 1 s toward smaller x, North 0.5 s toward larger y.
    const double pixelsPerSecond = 7.5 / 1.15;
    pulse(3, 1000);
    const Centroid west = starCentroid(expose());
    EXPECT_NEAR(west.x - before.x, -pixelsPerSecond, 0.1);
    EXPECT_NEAR(west.y - before.y, 0.0, 0.05);
    pulse(0, 500);
    const Centroid north = starCentroid(expose());
    EXPECT_NEAR(north.x - west.x, 0.0, 0.05);
    EXPECT_NEAR(north.y - west.y, 0.5 * pixelsPerSecond, 0.1);
}
