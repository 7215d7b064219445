// Long exposures on the simulated LPT1: the lines switched by the exposure sequence,
// timed by a pulse clock the test moves, the brightest of the five following frames,
// aborts, and a camera that stops delivering frames. Frames come from a scripted device
// the test feeds one by one.
#include "server/camera/camera_driver.h"

#include "server/camera/camera_setup.h"
#include "server/camera/exposure_bits_editor.h"

#include "platform/ports/system_port_devices.h"
#include "server/camera/scripted_capture_backend.h"
#include "server/common/fake_pulse_clock.h"
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
    // Answers the exposure thread's next frame wait with a frame from the device, once
    // the wait has begun.
    bool frameForNextWait()
    {
        if (!clock.waitForWaitsBegun(++m_waitsAnswered))
            return false;
        device.push(10);
        return true;
    }
    // Lets the next frame wait run out on the clock.
    bool noFrameForNextWait()
    {
        return clock.waitForWaitsBegun(++m_waitsAnswered) && clock.advanceToNextDeadline();
    }
    // The frame of the sequence's first wait, until the thread sleeps its delay.
    bool frameUntilSleeping() { return frameForNextWait() && clock.waitForSleepers(1); }
    // Runs `run` (which aborts the exposure) on another thread, and returns once the
    // abort has been asked for.
    std::future<void> abortAside(std::function<void()> run)
    {
        auto future = std::async(std::launch::async, std::move(run));
        EXPECT_TRUE(camera->exposureThread().waitForAbortRequest(FakePulseClock::kWaitLimit));
        return future;
    }
    bool sequenceEnded() { return camera->exposureThread().waitForSequenceEnd(FakePulseClock::kWaitLimit); }

    velmora::testing::TempHome home;
    FakePulseClock clock{FakePulseClock::Mode::Manual};
    platform::SystemPortDevices devices;
    sim::SimulatorPorts simulator{devices, clock.asFunction()};
    PortRegistry ports{devices};
    DeviceSettings store;
    testing::ScriptedCaptureBackend device;
    CameraEnvironment environment;
    std::unique_ptr<CameraDriver> camera;

private:
    std::size_t m_waitsAnswered = 0;
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
    ASSERT_TRUE(clock.waitForWaitsBegun(1));
    EXPECT_EQ(clock.sleepers(), 0u) << "the sequence waits for a frame";
    clock.advance(7ms);
    ASSERT_TRUE(frameUntilSleeping());
    for (int i = 0; i < 4; ++i) // 20 ms, then 100 + 100 + 50 ms
        ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(sequenceEnded());
    EXPECT_EQ(state(), CameraState::Waiting);

    const std::vector<sim::LineChange> changes = lines().changes();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].time, start + 7ms + 20ms);
    EXPECT_EQ(changes[0].after & 0x0F, 0x04) << "lines 0, 1, 3 at 0, line 2 unchanged";
    EXPECT_EQ(changes[1].time, start + 7ms + 20ms + 250ms);
    EXPECT_EQ(changes[1].after & 0x0F, 0x0F);
    EXPECT_EQ(driver.StartExposure(0.3, true, started), DriverError::AlreadyInProgress);

    const std::uint8_t levels[] = {20, 50, 30, 50, 10, 90};
    const std::uint64_t delivered = device.delivered();
    for (std::uint8_t level : levels)
        device.push(level);
    ASSERT_TRUE(device.waitDelivered(delivered + 5));
    EXPECT_TRUE(ready());
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
    ASSERT_TRUE(frameUntilSleeping());
    ASSERT_TRUE(clock.advanceToNextDeadline()); // 20 ms: lines switched
    ASSERT_TRUE(clock.advanceToNextDeadline()); // one slice of the exposure
    ASSERT_TRUE(clock.waitForSleepers(1));      // asleep in the second
    clock.advance(40ms);
    const PulseClock::TimePoint abortedAt = clock.now();
    std::future<void> aborting = abortAside([&] { driver.AbortExposure(); });
    ASSERT_TRUE(clock.advanceToNextDeadline());
    EXPECT_LE(clock.now() - abortedAt, 100ms);
    // Two more frames end the abort.
    ASSERT_TRUE(frameForNextWait());
    ASSERT_TRUE(frameForNextWait());
    aborting.get();

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
    ASSERT_TRUE(frameUntilSleeping());
    ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(clock.waitForSleepers(1));
    ExposureSequence edited = ExposureSequence::defaults(0);
    edited.lines[5] = 0xF003;
    std::future<void> editing = abortAside([&] { driver.replaceSelectedSequence(edited); });
    ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(frameForNextWait());
    ASSERT_TRUE(frameForNextWait());
    editing.get();
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_EQ(driver.sequences().selected(), edited);
    EXPECT_EQ(lines().value() & 0x0F, 0x03) << "the new rest word";
}

TEST_F(CameraLongExposureTest, ExposureBitsOkAbortsTheRunningExposureBeforeReplacingTheSequence)
{
    CameraDriver& driver = connected();
    CameraSetup setup(driver);
    ExposureBitsEditor editor(setup.selectedSequence());
    for (int line : {2, 3}) { // rest word: lines 2 and 3 set -> unchanged -> clear
        editor.click(5, line);
        editor.click(5, line);
    }
    bool started = false;
    ASSERT_EQ(driver.StartExposure(0.5, true, started), DriverError::None);
    ASSERT_TRUE(frameUntilSleeping());
    ASSERT_TRUE(clock.advanceToNextDeadline()); // the lines switched for the exposure
    ASSERT_TRUE(clock.waitForSleepers(1));
    std::future<void> ok = abortAside([&] { setup.applyExposureBits(editor.record()); });
    EXPECT_EQ(driver.sequences().selected(), ExposureSequence::defaults(0)) << "not before the abort";
    ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(frameForNextWait());
    ASSERT_TRUE(frameForNextWait());
    ok.get();
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_EQ(driver.sequences().selected().restWord(), 0xF003);
    const std::vector<sim::LineChange> changes = lines().changes();
    ASSERT_EQ(changes.size(), 3u);
    EXPECT_EQ(changes[1].after & 0x0F, 0x0F) << "the abort restored the old rest word first";
    EXPECT_EQ(changes[2].after & 0x0F, 0x03) << "then the new one";
}

TEST_F(CameraLongExposureTest, ACameraThatStopsDeliveringFramesHangsNothing)
{
    environment.frameWaitLimit = 150ms; // 20 frame periods of 10 ms are 200 ms
    CameraDriver& driver = connected();
    bool started = false;

    // No frame for the sequence's first wait: the camera goes back to idle by itself
    // once the bound (20 periods of 10 ms) has passed on the thread's clock.
    ASSERT_EQ(driver.StartExposure(0.5, true, started), DriverError::None);
    const PulseClock::TimePoint start = clock.now();
    ASSERT_TRUE(noFrameForNextWait());
    EXPECT_EQ(clock.now(), start + 200ms);
    ASSERT_TRUE(sequenceEnded());
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_FALSE(ready());
    EXPECT_TRUE(lines().changes().empty()) << "the lines never left their rest word";

    // Frames stop during the exposure time: AbortExposure still returns.
    ASSERT_EQ(driver.StartExposure(1.0, true, started), DriverError::None);
    ASSERT_TRUE(frameUntilSleeping());
    ASSERT_TRUE(clock.advanceToNextDeadline());
    std::future<void> aborting = abortAside([&] { driver.AbortExposure(); });
    ASSERT_TRUE(clock.advanceToNextDeadline());
    ASSERT_TRUE(noFrameForNextWait()) << "the abort's frame never comes";
    aborting.get();
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_EQ(lines().value() & 0x0F, 0x0F);
}

} // namespace
} // namespace velmora::server
