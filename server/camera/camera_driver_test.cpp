// The camera driver against the sky simulator, one frame at a time on a sky clock the
// test moves: device choice, exposures of up to 200 ms, aborts, the sub-frame, the
// format page, profiles and the exposure port's status.
#include "server/camera/camera_driver.h"

#include "server/camera/recording_capture_backend.h"
#include "server/camera/scripted_capture_backend.h"
#include "server/common/fake_pulse_clock.h"
#include "server/ports/fake_port_devices.h"
#include "sim/sky/manual_sim_clock.h"
#include "sim/sky/sky_simulator_backend.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;
using testing::RecordedFrame;

class CameraDriverTest : public ::testing::Test {
protected:
    CameraDriverTest()
    {
        relay->setDevice(
            [](char byte) { return byte == 'v' ? std::string("#DudAvudiZaz KR-4 1.02\n\r") : ""; });
        environment.ports = &ports;
        environment.settings = &store;
        environment.clock = &pulseClock;
        environment.pipelinePolls = 20;
    }
    ~CameraDriverTest() override { camera.reset(); }

    CameraDriver& create(std::vector<platform::CaptureBackend*> backends)
    {
        camera.reset();
        environment.captureBackends = std::move(backends);
        camera = std::make_unique<CameraDriver>(environment);
        return *camera;
    }
    CameraDriver& connectedToTheSky()
    {
        CameraDriver& driver = create({&recording});
        EXPECT_TRUE(driver.putConnected(true));
        return driver;
    }
    // Moves the sky clock one frame period and waits until the camera has taken the frame.
    void step(int frames = 1)
    {
        for (int i = 0; i < frames; ++i) {
            const std::size_t before = recording.count();
            ASSERT_TRUE(skyClock.waitForWaiter(5000ms));
            skyClock.advance(kPeriod);
            ASSERT_TRUE(recording.waitForCount(before + 1));
        }
    }
    std::int32_t number(DriverError (CameraDriver::*getter)(std::int32_t&) const)
    {
        std::int32_t value = -1;
        EXPECT_EQ(((*camera).*getter)(value), DriverError::None);
        return value;
    }
    CameraState state() { return static_cast<CameraState>(number(&CameraDriver::getCameraState)); }
    bool ready()
    {
        bool value = false;
        camera->getImageReady(value);
        return value;
    }
    // Every value of the image is the sum of `count` recorded frames from `first` on,
    // cut at (x0, y0).
    void expectSumOfFrames(std::size_t first, std::size_t count, int x0 = 0, int y0 = 0)
    {
        std::vector<RecordedFrame> frames;
        for (std::size_t i = 0; i < count; ++i)
            frames.push_back(recording.frame(first + i));
        const DriverError error = camera->useImage([&](const ColourImage& image) {
            ASSERT_EQ(image.planeCount(), 3);
            int mismatches = 0;
            for (int c = 0; c < 3; ++c)
                for (int y = 0; y < image.height(); ++y)
                    for (int x = 0; x < image.width(); ++x) {
                        int sum = 0;
                        for (const RecordedFrame& f : frames)
                            sum += f.at(x0 + x, y0 + y, c);
                        mismatches += image.at(x, y, c) != sum;
                    }
            EXPECT_EQ(mismatches, 0);
        });
        EXPECT_EQ(error, DriverError::None);
    }

    static constexpr std::chrono::nanoseconds kPeriod{200ms};

    velmora::testing::TempHome home;
    FakePortDevices devices;
    PortRegistry ports{devices};
    DeviceSettings store;
    FakePulseClock pulseClock;
    sim::ManualSimClock skyClock;
    sim::SkyModel model{sim::SkyParameters{}, skyClock.now()};
    sim::SkySimulatorBackend sky{model, skyClock};
    testing::RecordingCaptureBackend recording{sky};
    testing::ScriptedCaptureBackend usbCamera{"USB Camera"};
    std::shared_ptr<FakeSerialLine> relay = devices.addSerial("COM2");
    CameraEnvironment environment;
    std::unique_ptr<CameraDriver> camera;
};

TEST_F(CameraDriverTest, ConnectTakesTheFirstDeviceThatOpensAndKeepsItChosen)
{
    usbCamera.setRefused(true);
    CameraDriver& driver = create({&usbCamera, &recording});
    EXPECT_EQ(driver.enumerateDevices(), (std::vector<std::string>{"USB Camera", "Sky Simulator"}));
    EXPECT_FALSE(driver.chosenDeviceIndex());
    EXPECT_TRUE(driver.putConnected(true));
    EXPECT_EQ(driver.chosenDeviceIndex(), 1);
    EXPECT_EQ(number(&CameraDriver::getCameraXSize), 640);
    EXPECT_EQ(number(&CameraDriver::getCameraYSize), 480);
    EXPECT_TRUE(driver.putConnected(true));
    EXPECT_EQ(recording.opens(), 1);

    // Reconnecting tries the chosen device only.
    usbCamera.setRefused(false);
    EXPECT_TRUE(driver.putConnected(false));
    bool connected = true;
    driver.getConnected(connected);
    EXPECT_FALSE(connected);
    EXPECT_TRUE(driver.putConnected(true));
    EXPECT_EQ(usbCamera.opens(), 0);

    driver.chooseDevice(1); // already chosen: no reconnection
    driver.chooseDevice(2); // no such device
    EXPECT_EQ(recording.opens(), 2);
    driver.chooseDevice(0);
    EXPECT_EQ(usbCamera.opens(), 1);
    EXPECT_EQ(driver.chosenDeviceIndex(), 0);
    EXPECT_EQ(number(&CameraDriver::getCameraXSize), 160);
    EXPECT_EQ(number(&CameraDriver::getCameraYSize), 128);
}

TEST_F(CameraDriverTest, WithoutAUsableDeviceConnectFailsAndTheFirstBecomesChosen)
{
    EXPECT_FALSE(create({}).putConnected(true));
    usbCamera.setRefused(true);
    CameraDriver& driver = create({&usbCamera});
    EXPECT_FALSE(driver.putConnected(true));
    EXPECT_EQ(driver.chosenDeviceIndex(), 0);
    usbCamera.setRefused(false);
    EXPECT_TRUE(driver.putConnected(true));
}

TEST_F(CameraDriverTest, DurationIsCheckedFirstThenTheConnectionThenThePort)
{
    CameraDriver& driver = create({&recording});
    bool started = true;
    EXPECT_EQ(driver.StartExposure(-0.001, true, started), DriverError::InvalidDuration);
    EXPECT_FALSE(started);
    EXPECT_EQ(driver.StartExposure(std::nan(""), true, started), DriverError::InvalidDuration);
    EXPECT_EQ(driver.StartExposure(1e12, true, started), DriverError::InvalidDuration);
    EXPECT_EQ(driver.StartExposure(0.0, true, started), DriverError::NotConnected);
    EXPECT_EQ(driver.useImage([](const ColourImage&) {}), DriverError::NotConnected);

    ASSERT_TRUE(driver.putConnected(true));
    EXPECT_EQ(driver.useImage([](const ColourImage&) {}), DriverError::ImageNotReady);
    driver.setPortName("COM9"); // nothing there: connected, but without a port
    EXPECT_FALSE(driver.portOpen());
    EXPECT_EQ(driver.portStatus(), "Device Not Found");
    EXPECT_EQ(driver.StartExposure(0.201, true, started), DriverError::PortNotConnected);
    EXPECT_EQ(state(), CameraState::Idle);

    // 200 ms is not long: the next frame.
    const std::size_t first = recording.count();
    EXPECT_EQ(driver.StartExposure(0.2, false, started), DriverError::None);
    EXPECT_TRUE(started);
    EXPECT_EQ(state(), CameraState::Download);
    step();
    EXPECT_TRUE(ready());
    expectSumOfFrames(first, 1);
}

TEST_F(CameraDriverTest, ZeroDurationSumsConsecutiveFrames)
{
    CameraDriver& driver = connectedToTheSky();
    bool started = false;
    std::size_t first = recording.count();
    ASSERT_EQ(driver.StartExposure(0.0, true, started), DriverError::None);
    EXPECT_EQ(state(), CameraState::Reading);
    step();
    ASSERT_TRUE(ready());
    expectSumOfFrames(first, 1);

    driver.setFramesToSum(4);
    first = recording.count();
    ASSERT_EQ(driver.StartExposure(0.0005, true, started), DriverError::None); // 0 ms
    EXPECT_FALSE(ready());
    step(3);
    EXPECT_EQ(state(), CameraState::Reading);
    EXPECT_FALSE(ready());
    step();
    EXPECT_EQ(state(), CameraState::Idle);
    ASSERT_TRUE(ready());
    expectSumOfFrames(first, 4);
}

TEST_F(CameraDriverTest, AlreadyInProgressLeavesThePendingExposureAlone)
{
    CameraDriver& driver = connectedToTheSky();
    driver.setFramesToSum(3);
    bool started = false;
    const std::size_t first = recording.count();
    ASSERT_EQ(driver.StartExposure(0.0, true, started), DriverError::None);
    step();
    EXPECT_EQ(driver.StartExposure(0.1, true, started), DriverError::AlreadyInProgress);
    EXPECT_FALSE(started);
    EXPECT_EQ(state(), CameraState::Reading);
    step(2);
    ASSERT_TRUE(ready());
    expectSumOfFrames(first, 3);
}

TEST_F(CameraDriverTest, AbortDropsThePendingImageButNotAFinishedOne)
{
    CameraDriver& driver = connectedToTheSky();
    bool started = false;
    ASSERT_EQ(driver.StartExposure(0.1, true, started), DriverError::None);
    EXPECT_EQ(driver.AbortExposure(), DriverError::None);
    EXPECT_EQ(state(), CameraState::Idle);
    step();
    EXPECT_EQ(driver.useImage([](const ColourImage&) {}), DriverError::ImageNotReady);

    ASSERT_EQ(driver.StartExposure(0.0, true, started), DriverError::None);
    step();
    EXPECT_EQ(driver.AbortExposure(), DriverError::None);
    EXPECT_TRUE(ready());

    // Choosing a sequence aborts first and puts its rest word on the port.
    ASSERT_EQ(driver.StartExposure(0.0, true, started), DriverError::None);
    devices.parallel(platform::kLpt1DataAddress).setData(0);
    driver.chooseSequence(1);
    EXPECT_EQ(state(), CameraState::Idle);
    EXPECT_FALSE(ready());
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).data(), 0x0F);
    EXPECT_EQ(driver.sequences().type(), 1);
}

TEST_F(CameraDriverTest, SubFrameIsClampedAndCutFromTheFrame)
{
    CameraDriver& driver = create({&recording});
    driver.putStartX(10000);
    EXPECT_EQ(number(&CameraDriver::getStartX), 512);
    EXPECT_EQ(number(&CameraDriver::getNumX), 128);
    driver.putNumX(50);
    EXPECT_EQ(number(&CameraDriver::getNumX), 128);
    driver.putNumY(100000);
    EXPECT_EQ(number(&CameraDriver::getNumY), 480);
    driver.putStartY(-5);
    EXPECT_EQ(number(&CameraDriver::getStartY), 0);
    driver.putNumX(700);
    EXPECT_EQ(number(&CameraDriver::getNumX), 640);
    EXPECT_EQ(number(&CameraDriver::getStartX), 0);

    ASSERT_TRUE(driver.putConnected(true));
    driver.putStartX(301);
    driver.putNumX(200);
    driver.putStartY(101);
    driver.putNumY(130);
    bool started = false;
    const std::size_t first = recording.count();
    ASSERT_EQ(driver.StartExposure(0.0, true, started), DriverError::None);
    step();
    driver.useImage([](const ColourImage& image) {
        EXPECT_EQ(image.width(), 200);
        EXPECT_EQ(image.height(), 130);
    });
    expectSumOfFrames(first, 1, 301, 101);
}

TEST_F(CameraDriverTest, FormatPageResetsTheSubFrameToTheWholeNewFrame)
{
    CameraDriver& driver = connectedToTheSky();
    driver.putStartX(100);
    driver.putNumY(200);
    driver.setFormatPageHook([](CameraDriver& page) -> std::optional<platform::VideoFormat> {
        EXPECT_FALSE(page.formatOptions().empty());
        return platform::VideoFormat{320, 240, 1000000};
    });
    driver.showFormatPage();
    EXPECT_EQ(number(&CameraDriver::getCameraXSize), 320);
    EXPECT_EQ(number(&CameraDriver::getCameraYSize), 240);
    EXPECT_EQ(number(&CameraDriver::getStartX), 0);
    EXPECT_EQ(number(&CameraDriver::getNumX), 320);
    EXPECT_EQ(number(&CameraDriver::getNumY), 240);
    EXPECT_EQ(driver.settings().formatPeriod, 1000000);

    // Cancelled: the format stays, the sub-frame is the whole frame again.
    driver.putStartY(50);
    driver.setFormatPageHook([](CameraDriver&) { return std::optional<platform::VideoFormat>(); });
    driver.showFormatPage();
    EXPECT_EQ(number(&CameraDriver::getCameraXSize), 320);
    EXPECT_EQ(number(&CameraDriver::getStartY), 0);
    EXPECT_EQ(number(&CameraDriver::getNumY), 240);

    // The chosen format stands for the next connection too.
    driver.putConnected(false);
    ASSERT_TRUE(driver.putConnected(true));
    EXPECT_EQ(number(&CameraDriver::getCameraXSize), 320);
}

TEST_F(CameraDriverTest, ProfilesLoadAtCreationAndSaveTheFormatInUse)
{
    store.setCurrent(kCameraDriverName, kDefaultProfile);
    store.writeNumber("Matrix", "Width", 1280);
    store.writeNumber("Matrix", "Pixel Width", 280);
    store.writeNumber("Format", "Width", 1000);
    store.writeNumber("SubFrame", "Num X", 5000);
    store.writeNumber("Exposure", "Frames Number", 0);
    store.writeNumber("Color", "Mode", 9);
    CameraDriver& driver = create({&recording});
    EXPECT_EQ(driver.profile(), kDefaultProfile);
    EXPECT_EQ(driver.settings().framesNumber, 1);
    EXPECT_EQ(driver.colourSettings().mode, ColourMode::Original);

    ASSERT_TRUE(driver.putConnected(true));
    // The stored sub-frame fitted into the frame.
    EXPECT_EQ(number(&CameraDriver::getCameraXSize), 1000);
    EXPECT_EQ(number(&CameraDriver::getNumX), 1000);
    double pixel = 0.0;
    driver.getPixelSizeX(pixel);
    EXPECT_DOUBLE_EQ(pixel, 1280 * 2.8 / 1000);
    driver.getPixelSizeY(pixel);
    EXPECT_DOUBLE_EQ(pixel, 5.6); // 480 dots of 5.6 on 480 rows

    driver.setCoefficient(2, 50);
    driver.setMatrixType(3);
    driver.setColourMode(0);
    ASSERT_TRUE(driver.saveSettings("Rig"));
    EXPECT_EQ(driver.profile(), "Rig");
    EXPECT_EQ(store.readNumber("Color", "Red Coeff", 0), 50);

    driver.loadProfile(kDefaultProfile);
    bool connected = false;
    driver.getConnected(connected);
    EXPECT_TRUE(connected);
    EXPECT_EQ(driver.colourSettings().mode, ColourMode::Original);

    driver.finalRelease();
    store.setCurrent(kCameraDriverName, kDefaultProfile);
    EXPECT_EQ(store.readNumber("Format", "Width", 0), 1000);
    EXPECT_EQ(store.readNumber("SubFrame", "Num X", 0), 1000);
    EXPECT_EQ(store.readNumber("Exposure", "Frames Number", 0), 1);
}

TEST_F(CameraDriverTest, PortStatusNamesTheParallelPortOrTheRelayBox)
{
    CameraDriver& driver = connectedToTheSky();
    EXPECT_TRUE(driver.portOpen());
    EXPECT_EQ(driver.portStatus(), "Connected To LPT1");
    EXPECT_EQ(devices.parallel(platform::kLpt1DataAddress).data() & 0x0F, 0x0F) << "rest word on open";

    driver.setPortName("COM2");
    EXPECT_TRUE(driver.portOpen());
    EXPECT_EQ(driver.portStatus(), "DudAvudiZaz KR-4 1.02");
    // The rest word: lines 0..3 on, the others untouched.
    EXPECT_NE(relay->sent().find("1+2+3+4+"), std::string::npos) << relay->sent();

    relay->setDevice({}); // answers nothing: no relay box
    driver.setPortSpeed("9600");
    EXPECT_FALSE(driver.portOpen());
    EXPECT_EQ(driver.portStatus(), "Device Not Found");
    EXPECT_EQ(ports.openChannelCount(), 0u) << "no port left open";
}

} // namespace
} // namespace velmora::server
