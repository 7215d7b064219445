// Long exposures on the simulated LPT1: the lines switched by the exposure sequence,
// timed by a pulse clock the test moves, the brightest of the five following frames,
// aborts, and a camera that stops delivering frames. Frames come from a scripted device
// the test feeds one by one.
#include "server/camera/camera_driver.h"

#include "platform/ports/system_port_devices.h"
#include "server/camera/scripted_capture_backend.h"
#include "server/telescope/fake_pulse_clock.h"
#include "sim/simulator_ports.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <future>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;

class CameraLongExposureTest : public ::testing::Test {
protected:
    CameraLongExposureTest()
    {
        devices.setSimulatorForced(true);
        environment.captureBackends = {&device};
        environment.ports = &ports;
        environment.settings = &store;
        environment.clock = &clock;
        environment.frameWaitLimit = 2000ms;
        environment.pipelinePolls = 20;
    }
    ~CameraLongExposureTest() override { camera.reset(); }

    CameraDriver& connected()
    {
        camera = std::make_unique<CameraDriver>(environment);
        EXPECT_TRUE(camera->putConnected(true));
        EXPECT_TRUE(camera->portOpen());
        lines().clearChanges();
        return *camera;
    }
    sim::LineLog& lines() { return simulator.parallel().port(platform::kLpt1DataAddress)->dataLines(); }
    CameraState state()
    {
        std::int32_t value = -1;
        camera->getCameraState(value);
        return static_cast<CameraState>(value);
    }
    bool ready()
    {
        bool value = false;
        camera->getImageReady(value);
        return value;
    }
    // Polls real time until `done`; false after five seconds.
    template <class Done> static bool eventually(Done done)
    {
        for (int i = 0; i < 2500 && !done(); ++i)
            std::this_thread::sleep_for(2ms);
        return done();
    }
    // Feeds frames until the exposure thread sleeps (its delay after a frame wait).
    bool framesUntilSleeping()
    {
        for (int i = 0; i < 200; ++i) {
            device.push(10);
            if (clock.waitForSleepers(1, 20ms))
                return true;
        }
        return false;
    }
    bool framesUntil(std::future<void>& done)
    {
        for (int i = 0; i < 200; ++i) {
            if (done.wait_for(20ms) == std::future_status::ready)
                return true;
            device.push(10);
        }
        return false;
    }
    // Starts `run` on another thread and gives it time to reach its wait.
    static std::future<void> startAside(std::function<void()> run)
    {
        auto future = std::async(std::launch::async, std::move(run));
        std::this_thread::sleep_for(200ms);
        return future;
    }

    velmora::testing::TempHome home;
    FakePulseClock clock{FakePulseClock::Mode::Manual};
    platform::SystemPortDevices devices;
    sim::SimulatorPorts simulator{devices, clock.asFunction()};
    PortRegistry ports{devices};
    DeviceSettings store;
    testing::ScriptedCaptureBackend device;
    CameraEnvironment environment;
    std::unique_ptr<CameraDriver> camera;
};

TEST_F(CameraLongExposureTest, LinesSwitchAroundTheExposureAndTheBrightestFollowingFrameIsConverted)
{
    CameraDriver& driver = connected();
    EXPECT_EQ(lines().value() & 0x0F, 0x0F) << "lines 0..3 rest at 1";
    const PulseClock::TimePoint start = clock.now();
    bool started = false;
    ASSERT_EQ(driver.StartExposure(0.25, true, started), DriverError::None);
    EXPECT_TRUE(started);
    EXPECT_EQ(state(), CameraState::Exposing);
    EXPECT_FALSE(clock.waitForSleepers(1, 50ms)) << "the sequence waits for a frame";
    clock.advance(7ms);
    ASSERT_TRUE(framesUntilSleeping());
    for (int i = 0; i < 4; ++i) // 20 ms, then 100 + 100 + 50 ms
        ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(eventually([&] { return state() == CameraState::Waiting; }));

    const std::vector<sim::LineChange> changes = lines().changes();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].time, start + 7ms + 20ms);
    EXPECT_EQ(changes[0].after & 0x0F, 0x04) << "lines 0, 1, 3 at 0, line 2 unchanged";
    EXPECT_EQ(changes[1].time, start + 7ms + 20ms + 250ms);
    EXPECT_EQ(changes[1].after & 0x0F, 0x0F);
    EXPECT_EQ(driver.StartExposure(0.3, true, started), DriverError::AlreadyInProgress);

    const std::uint8_t levels[] = {20, 50, 30, 50, 10, 90};
    for (std::uint8_t level : levels)
        device.push(level);
    ASSERT_TRUE(eventually([&] { return ready(); }));
    EXPECT_EQ(state(), CameraState::Idle);
    driver.useImage([](const ColourImage& image) {
        EXPECT_EQ(image.at(5, 3, kGreen), 50) << "the first of the two brightest, not the sixth";
        EXPECT_EQ(image.at(5, 0, kBlue), 55);
    });
}

TEST_F(CameraLongExposureTest, AbortInTheExposureTimeRestoresTheRestWordWithinASlice)
{
    CameraDriver& driver = connected();
    bool started = false;
    ASSERT_EQ(driver.StartExposure(1.0, true, started), DriverError::None);
    ASSERT_TRUE(framesUntilSleeping());
    ASSERT_TRUE(clock.advanceToNextDeadline()); // 20 ms: lines switched
    ASSERT_TRUE(clock.advanceToNextDeadline()); // one slice of the exposure
    ASSERT_TRUE(clock.waitForSleepers(1));      // asleep in the second
    clock.advance(40ms);
    const PulseClock::TimePoint abortedAt = clock.now();
    std::future<void> aborting = startAside([&] { driver.AbortExposure(); });
    ASSERT_TRUE(clock.advanceToNextDeadline());
    EXPECT_LE(clock.now() - abortedAt, 100ms);
    ASSERT_TRUE(framesUntil(aborting)) << "two more frames end the abort";

    const std::vector<sim::LineChange> changes = lines().changes();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].time, clock.now());
    EXPECT_EQ(changes[1].after & 0x0F, 0x0F);
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_EQ(driver.useImage([](const ColourImage&) {}), DriverError::ImageNotReady);
}

TEST_F(CameraLongExposureTest, EditingTheBitsAbortsTheExposureFirst)
{
    CameraDriver& driver = connected();
    bool started = false;
    ASSERT_EQ(driver.StartExposure(0.5, true, started), DriverError::None);
    ASSERT_TRUE(framesUntilSleeping());
    ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(clock.waitForSleepers(1));
    ExposureSequence edited = ExposureSequence::defaults(0);
    edited.lines[5] = 0xF003;
    std::future<void> editing = startAside([&] { driver.replaceSelectedSequence(edited); });
    ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(framesUntil(editing));
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_EQ(driver.sequences().selected(), edited);
    EXPECT_EQ(lines().value() & 0x0F, 0x03) << "the new rest word";
}

TEST_F(CameraLongExposureTest, ACameraThatStopsDeliveringFramesHangsNothing)
{
    environment.frameWaitLimit = 150ms; // 20 frame periods of 10 ms are 200 ms
    CameraDriver& driver = connected();
    bool started = false;

    // No frame for the sequence's first wait: the camera goes back to idle by itself.
    ASSERT_EQ(driver.StartExposure(0.5, true, started), DriverError::None);
    EXPECT_TRUE(eventually([&] { return state() == CameraState::Idle; }));
    EXPECT_FALSE(ready());
    EXPECT_TRUE(lines().changes().empty()) << "the lines never left their rest word";

    // Frames stop during the exposure time: AbortExposure still returns.
    ASSERT_EQ(driver.StartExposure(1.0, true, started), DriverError::None);
    ASSERT_TRUE(framesUntilSleeping());
    ASSERT_TRUE(clock.advanceToNextDeadline());
    const auto abortFrom = std::chrono::steady_clock::now();
    std::future<void> aborting = startAside([&] { driver.AbortExposure(); });
    ASSERT_TRUE(clock.advanceToNextDeadline());
    EXPECT_EQ(aborting.wait_for(3s), std::future_status::ready);
    EXPECT_LT(std::chrono::steady_clock::now() - abortFrom, 3s);
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_EQ(lines().value() & 0x0F, 0x0F);
}

} // namespace
} // namespace velmora::server
