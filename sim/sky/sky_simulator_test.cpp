#include "sim/sky/sky_simulator_backend.h"
#include "sim/sky/sky_simulator_source.h"

#include "platform/registry/registry.h"
#include "platform/video/capture_pipeline.h"
#include "sim/sky/manual_sim_clock.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
using platform::VideoFormat;

class CountingSink : public platform::FrameSink {
public:
    void deliverFrame(const platform::VideoFrame& frame) override
    {
        std::lock_guard lock(m_mutex);
        last = frame;
        centre = frame.data[frame.stride * (frame.height / 2) + 3 * (frame.width / 2)];
        ++count;
        m_changed.notify_all();
    }
    bool waitFor(int frames)
    {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, 5s, [&] { return count >= frames; });
    }
    int frames()
    {
        std::lock_guard lock(m_mutex);
        return count;
    }

    platform::VideoFrame last;
    int centre = 0;
    int count = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

class OneCamera : public platform::CaptureBackend {
public:
    std::vector<platform::CaptureDeviceInfo> enumerate() override { return {{"USB Camera", "/dev/video0"}}; }
    std::unique_ptr<platform::CaptureSource> open(const platform::CaptureDeviceInfo&,
                                                  const VideoFormat&) override
    {
        return nullptr;
    }
};

TEST(SkySimulatorDevice, ListedAfterTheRealDevices)
{
    ManualSimClock clock;
    SkyModel model(SkyParameters{}, clock.now());
    SkySimulatorBackend sky(model, clock);
    OneCamera cameras;
    CountingSink sink;
    platform::CapturePipeline pipeline({&cameras, &sky}, sink);
    pipeline.enumerateDevices();
    EXPECT_EQ(pipeline.deviceNames(), (std::vector<std::string>{"USB Camera", "Sky Simulator"}));
    EXPECT_FALSE(pipeline.connect(pipeline.devices()[0], {640, 480, 2'000'000}));
    ASSERT_TRUE(pipeline.connect(pipeline.devices()[1], {640, 480, 2'000'000}));
    EXPECT_EQ(pipeline.readFormat(), (VideoFormat{640, 480, 2'000'000}));
    EXPECT_FALSE(sky.open({"Sky Simulator", "other"}, {}));
}

TEST(SkySimulatorDevice, FormatsAreClampedToWhatItRenders)
{
    EXPECT_EQ(SkySimulatorSource::supportedFormat({0, 0, 0}), (VideoFormat{640, 480, 2'000'000}));
    EXPECT_EQ(SkySimulatorSource::supportedFormat({50, 100000, 1}), (VideoFormat{128, 4096, 100'000}));
    EXPECT_EQ(SkySimulatorSource::supportedFormat({637, 479, 4'000'000'000u}),
              (VideoFormat{637, 479, 100'000'000}));
    ManualSimClock clock;
    SkyModel model(SkyParameters{}, clock.now());
    SkySimulatorSource source(model, clock, {637, 479, 2'000'000});
    EXPECT_EQ(source.stride(), 1912u); // rows padded to four bytes
    EXPECT_FALSE(source.formatOptions().empty());
    EXPECT_EQ(source.controls().size(), 3u);
    ASSERT_TRUE(source.startStreaming());
    EXPECT_FALSE(source.setFormat({320, 240, 2'000'000}));
    source.stopStreaming();
    source.releaseBuffers();
    ASSERT_TRUE(source.setFormat({320, 240, 1'000'000}));
    EXPECT_EQ(source.format(), (VideoFormat{320, 240, 1'000'000}));
}

TEST(SkySimulatorDevice, FramesFollowTheClockOnePeriodEach)
{
    ManualSimClock clock;
    SkyModel model(SkyParameters{}, clock.now());
    SkySimulatorBackend sky(model, clock);
    CountingSink sink;
    platform::CapturePipeline pipeline({&sky}, sink);
    ASSERT_TRUE(pipeline.connect(pipeline.enumerateDevices()[0], {320, 240, 2'000'000}));
    ASSERT_TRUE(pipeline.run());
    ASSERT_TRUE(clock.waitForWaiter(5s));
    EXPECT_EQ(sink.frames(), 0); // nothing before the first period has passed
    for (int frame = 1; frame <= 3; ++frame) {
        clock.advance(200ms);
        ASSERT_TRUE(sink.waitFor(frame));
        ASSERT_TRUE(clock.waitForWaiter(5s));
        EXPECT_EQ(sink.frames(), frame);
    }
    EXPECT_EQ(sink.last.width, 320);
    EXPECT_EQ(sink.last.stride, 960u);
    EXPECT_EQ(sink.last.sequence, 2u);
    EXPECT_GT(sink.centre, 100); // the brightest star sits on the centre
    // Stopping wakes the streaming thread out of its wait on the clock.
    EXPECT_TRUE(pipeline.stop());

    // Run freely: the clock jumps to each frame's time, far faster than real time.
    clock.setAutoAdvance(true);
    const auto before = clock.now();
    ASSERT_TRUE(pipeline.run());
    ASSERT_TRUE(sink.waitFor(3 + 50));
    EXPECT_TRUE(pipeline.stop());
    EXPECT_GE(clock.now() - before, 50 * 200ms);
}

// Frames of two simulators of the same sky: one as it ships, one with its source-page
// settings changed. Both render the same stars and noise, so the settings alone differ.
class FrameGrabber : public platform::FrameSink {
public:
    void deliverFrame(const platform::VideoFrame& frame) override
    {
        pixels.assign(frame.data, frame.data + frame.stride * static_cast<std::size_t>(frame.height));
        stride = frame.stride;
    }
    int at(int x, int y, int channel) const
    {
        return pixels[stride * static_cast<std::size_t>(y) + 3 * x + channel];
    }
    std::vector<std::uint8_t> pixels;
    std::size_t stride = 0;
};

TEST(SkySimulatorDevice, SourcePageSettingsChangeTheNextFrame)
{
    ManualSimClock clock(ManualSimClock::TimePoint{} + std::chrono::hours(1), true);
    SkyModel plainSky(SkyParameters{}, clock.now());
    SkyModel changedSky(SkyParameters{}, clock.now());
    SkySimulatorSource plain(plainSky, clock, {320, 240, 2'000'000});
    SkySimulatorSource changed(changedSky, clock, {320, 240, 2'000'000});
    const std::vector<platform::VideoControl> controls = changed.controls();
    ASSERT_EQ(controls.size(), 3u);
    EXPECT_EQ(controls[0].name, "Brightness");
    EXPECT_EQ(controls[1].name, "Gain");
    EXPECT_EQ(controls[1].defaultValue, 100);
    EXPECT_EQ(controls[2].type, platform::VideoControlType::Boolean);
    EXPECT_FALSE(changed.setControl(SkySimulatorSource::kGain, 401)) << "outside its range";
    EXPECT_FALSE(changed.setControl(12345, 1)) << "no such control";

    ASSERT_TRUE(plain.startStreaming());
    ASSERT_TRUE(changed.startStreaming());
    FrameGrabber a, b;
    std::stop_source stop;
    ASSERT_EQ(plain.deliverNext(a, stop.get_token()), platform::FrameResult::Delivered);
    ASSERT_EQ(changed.deliverNext(b, stop.get_token()), platform::FrameResult::Delivered);
    EXPECT_EQ(a.pixels, b.pixels) << "the same sky while the settings are as shipped";

    // Changed while streaming: the next frame has them.
    ASSERT_TRUE(changed.setControl(SkySimulatorSource::kGain, 50));
    ASSERT_TRUE(changed.setControl(SkySimulatorSource::kBrightness, 7));
    ASSERT_TRUE(changed.setControl(SkySimulatorSource::kHorizontalFlip, 1));
    EXPECT_EQ(changed.controlValue(SkySimulatorSource::kGain), 50);
    ASSERT_EQ(plain.deliverNext(a, stop.get_token()), platform::FrameResult::Delivered);
    ASSERT_EQ(changed.deliverNext(b, stop.get_token()), platform::FrameResult::Delivered);
    int checked = 0;
    for (int y = 0; y < 240; y += 7) {
        for (int x = 0; x < 320; x += 5) {
            const int expected = std::min(255, a.at(x, y, 1) * 50 / 100 + 7);
            ASSERT_EQ(b.at(319 - x, y, 1), expected) << x << ", " << y;
            ++checked;
        }
    }
    EXPECT_GT(checked, 1000);
    EXPECT_GT(a.at(160, 120, 1), 100) << "the brightest star on the centre";
}

TEST(SkySimulatorSettings, ReadFromTheSimulatorKey)
{
    velmora::testing::TempHome home;
    EXPECT_EQ(SkyParameters::load(), SkyParameters{});
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CURRENT_USER, SkyParameters::kKey, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    auto setNumber = [key](const char* name, std::int32_t value) {
        const DWORD v = static_cast<DWORD>(value);
        RegSetValueEx(key, name, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof v);
    };
    setNumber("Stars", 3);
    setNumber("Rotation", 9000);
    setNumber("Drift RA", -150);
    setNumber("Seeing", -5);     // impossible: clamped to 0
    setNumber("Image Scale", 0); // impossible: clamped to 1
    setNumber("Focuser Backlash", 30);
    RegSetValueEx(key, "Best Focus", REG_SZ, reinterpret_cast<const BYTE*>("700"), 4); // wrong type: default
    RegCloseKey(key);
    const SkyParameters p = SkyParameters::load();
    EXPECT_EQ(p.stars, 3);
    EXPECT_EQ(p.rotation, 9000);
    EXPECT_EQ(p.driftRa, -150);
    EXPECT_EQ(p.seeing, 0);
    EXPECT_EQ(p.imageScale, 1);
    EXPECT_EQ(p.focuserBacklash, 30);
    EXPECT_EQ(SkyParameters{}.focuserBacklash, 0);
    const SkyParameters defaults;
    EXPECT_EQ(p.bestFocus, defaults.bestFocus);
    EXPECT_EQ(p.driftDec, defaults.driftDec);
    EXPECT_EQ(p.pePeriod, defaults.pePeriod);
}

} // namespace
} // namespace velmora::sim
