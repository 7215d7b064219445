#include "client/devices/exposure_cycle.h"
#include "testing/null_binding_window.h"

#include "client/devices/driver_binding.h"
#include "client/devices/exposure_timer.h"
#include "client/devices/fake_camera.h"
#include "client/devices/high_resolution_clock.h"
#include "client/image/image_geometry.h"
#include "client/shell/memory_settings_store.h"
#include "platform/automation/apartment.h"

#include <gtest/gtest.h>

#include <memory>

namespace velmora::client {
namespace {

using fakes::FakeCameraScript;

class FakeTimer : public ExposureTimer {
public:
    void startTimer(int id, int periodMs) override
    {
        running = true;
        timerId = id;
        period = periodMs;
        ++starts;
    }
    void killTimer(int id) override
    {
        if (id == timerId)
            running = false;
    }
    bool running = false;
    int timerId = 0;
    int period = 0;
    int starts = 0;
};

class FakeClock : public HighResolutionClock {
public:
    std::int64_t counter() const override { return now; }
    std::int64_t frequency() const override { return 1000; }
    std::int64_t now = 5000;
};

class RecordingListener : public ExposureCycleListener {
public:
    void exposureBarChanged() override { ++barChanges; }
    void imageWindowOpened(ImageWindow& window) override
    {
        ++opened;
        lastWindow = &window;
    }
    void imageWindowClosing(ImageWindow&) override { ++closing; }
    void frameDelivered(ImageWindow& window) override
    {
        ++frames;
        if (log != nullptr)
            *log += "frame;";
        lastFirstSample = window.pipeline().cameraBuffer()[0];
        if (closeOnFrame)
            cycle->closeImageWindow();
    }
    ExposureCycle* cycle = nullptr;
    bool closeOnFrame = false;
    int barChanges = 0;
    int opened = 0;
    int closing = 0;
    int frames = 0;
    std::int32_t lastFirstSample = -1;
    ImageWindow* lastWindow = nullptr;
    std::string* log = nullptr; // where delivered frames are noted
};

class ExposureCycleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        m_class = fakes::registerFakeCamera("Fake.CycleCamera", &camera);
        store.writeString("Drivers", "Camera", "Fake.CycleCamera");
        store.writeString("Drivers", "Focuser", "Missing.Focuser");
        store.writeString("Drivers", "Telescope", "Missing.Telescope");
        binding.bindAtStartup(store);
        cycle = std::make_unique<ExposureCycle>(binding, timer, clock, store, geometry, planes);
        cycle->setListener(&listener);
        listener.cycle = cycle.get();
        cycle->loadSettings(store);
        camera.log.clear();
    }
    void TearDown() override
    {
        cycle.reset();
        MemorySettingsStore ignored;
        binding.unbindAtShutdown(ignored);
        m_class.reset();
        CoUninitialize();
    }
    void tick()
    {
        clock.now += 60;
        cycle->onTimer(ExposureCycle::kTimerId);
    }

    FakeCameraScript camera;
    std::unique_ptr<automation::InProcessClass> m_class;
    MemorySettingsStore store;
    NullBindingWindow window;
    DriverBinding binding{window};
    FakeTimer timer;
    FakeClock clock;
    ImageGeometry geometry;
    PlaneColours planes;
    RecordingListener listener;
    std::unique_ptr<ExposureCycle> cycle;
};

TEST_F(ExposureCycleTest, ZeroTimeHidesTheProgressAndCountsTicksUntilReady)
{
    EXPECT_TRUE(cycle->durationTextVisible());
    EXPECT_FALSE(cycle->progressVisible());
    EXPECT_EQ(cycle->progressRange(), 0);
    EXPECT_EQ(cycle->buttonText(), "Start");

    camera.notReadyPolls = 3;
    ASSERT_TRUE(cycle->StartCycle());
    EXPECT_EQ(camera.log, "StartExposure(r8:0,i2:-1);");
    EXPECT_TRUE(timer.running);
    EXPECT_EQ(timer.timerId, 40000);
    EXPECT_EQ(timer.period, 60);
    EXPECT_EQ(cycle->buttonText(), "Cancel") << "manual mode is the default";

    const char* texts[] = {"Exposure Duration - 0.1 sec.", "Exposure Duration - 0.1 sec.",
                           "Exposure Duration - 0.2 sec."};
    for (int i = 0; i < 3; ++i) {
        tick();
        EXPECT_EQ(cycle->durationText(), texts[i]) << i;
        EXPECT_EQ(cycle->progressPosition(), i + 1);
        EXPECT_TRUE(cycle->exposing());
    }
    EXPECT_EQ(listener.frames, 0);
    tick();
    EXPECT_EQ(listener.frames, 1);
    EXPECT_FALSE(cycle->exposing()) << "manual mode: one exposure per start";
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(cycle->durationText(), "Exposure Duration - 0.0 sec.");
    EXPECT_EQ(cycle->progressPosition(), 0);
    EXPECT_DOUBLE_EQ(cycle->cycleTime(), 0.24);
    EXPECT_EQ(cycle->cycleTimeText(), " [Cycle: 0.2 sec.] ");
}

TEST_F(ExposureCycleTest, AReadyCameraDeliversOnTheFirstTickAndOtherTimersAreNotOurs)
{
    cycle->onTimer(ExposureCycle::kTimerId);
    EXPECT_EQ(camera.log, "") << "a tick at rest does nothing";
    EXPECT_EQ(cycle->cycleTimeText(), "") << "no image window yet";
    cycle->StartCycle();
    EXPECT_FALSE(cycle->onTimer(1234));
    EXPECT_EQ(cycle->ticks(), 0);
    tick();
    EXPECT_EQ(camera.log, "StartExposure(r8:0,i2:-1);ImageReady;ImageArray;");
    ASSERT_NE(cycle->imageWindow(), nullptr);
    EXPECT_EQ(cycle->imageWindow()->pipeline().geometryText(), " [8x6x1] ");
    EXPECT_EQ(listener.frames, 1) << "the first frame is handed over too";
    EXPECT_EQ(cycle->imageWindow()->pipeline().cameraBuffer()[47], 47);
    EXPECT_EQ(cycle->imageWindow()->previewTool().sectionName(), "Preview");
    EXPECT_TRUE(cycle->imageWindow()->previewTool().isActive());
    EXPECT_DOUBLE_EQ(cycle->cycleTime(), 0.06);
}

TEST_F(ExposureCycleTest, NonZeroTimeShowsTheProgressInTicks)
{
    cycle->exposureTimeChanged(150);
    EXPECT_DOUBLE_EQ(cycle->exposureSeconds(), 1.5);
    EXPECT_EQ(cycle->progressRange(), 25);
    EXPECT_TRUE(cycle->progressVisible());
    EXPECT_FALSE(cycle->durationTextVisible());
    EXPECT_EQ(camera.log, "") << "at rest only range and visibility change";
    camera.notReadyPolls = 100;
    cycle->StartCycle();
    tick();
    tick();
    EXPECT_EQ(cycle->progressPosition(), 2);
    EXPECT_EQ(camera.log, "StartExposure(r8:1.5,i2:-1);ImageReady;ImageReady;");

    cycle->exposureTimeChanged(-7);
    EXPECT_EQ(cycle->exposureTime(), 0) << "the edit's range";
    cycle->exposureTimeChanged(2000000000);
    EXPECT_EQ(cycle->exposureTime(), 9999999);
}

TEST_F(ExposureCycleTest, ContinuousModeStartsTheNextExposureBeforeTheTickReturns)
{
    cycle->setManualMode(false);
    cycle->StartCycle();
    EXPECT_EQ(cycle->buttonText(), "Restart");
    camera.log.clear();
    tick();
    EXPECT_EQ(camera.log, "ImageReady;ImageArray;StartExposure(r8:0,i2:-1);");
    EXPECT_TRUE(cycle->exposing());
    EXPECT_TRUE(timer.running);
    EXPECT_EQ(cycle->ticks(), 0);
    tick();
    tick();
    EXPECT_EQ(listener.frames, 3);
    EXPECT_EQ(camera.exposuresStarted, 4);
}

TEST_F(ExposureCycleTest, TheButtonRestartsInContinuousModeAndCancelsInManualMode)
{
    camera.notReadyPolls = 100;
    cycle->setManualMode(false);
    camera.log.clear();
    cycle->pressButton();
    EXPECT_EQ(camera.log, "StartExposure(r8:0,i2:-1);");
    camera.log.clear();
    cycle->pressButton();
    EXPECT_EQ(camera.log, "AbortExposure;StartExposure(r8:0,i2:-1);") << "Restart";
    EXPECT_TRUE(cycle->exposing());

    cycle->setManualMode(true);
    EXPECT_FALSE(cycle->exposing()) << "checking Manual Mode aborts";
    cycle->pressButton();
    EXPECT_EQ(cycle->buttonText(), "Cancel");
    camera.log.clear();
    cycle->pressButton();
    EXPECT_EQ(camera.log, "AbortExposure;") << "Cancel only aborts";
    EXPECT_FALSE(cycle->exposing());
    EXPECT_EQ(cycle->buttonText(), "Start");
}

TEST_F(ExposureCycleTest, ManualModeAbortsEvenAtRestAndUncheckingStartsNothing)
{
    camera.notReadyPolls = 100;
    cycle->setManualMode(false);
    cycle->StartCycle();
    tick();
    camera.log.clear();
    cycle->setManualMode(true);
    EXPECT_EQ(camera.log, "AbortExposure;");
    EXPECT_FALSE(cycle->exposing());
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(cycle->durationText(), "Exposure Duration - 0.0 sec.");
    cycle->setManualMode(true);
    EXPECT_EQ(camera.log, "AbortExposure;AbortExposure;") << "also when nothing runs";
    cycle->setManualMode(false);
    EXPECT_EQ(camera.log, "AbortExposure;AbortExposure;");
    EXPECT_FALSE(cycle->exposing());
}

TEST_F(ExposureCycleTest, ChangingTheTimeWhileExposingRestartsWithTheNewTime)
{
    camera.notReadyPolls = 100;
    cycle->StartCycle();
    tick();
    camera.log.clear();
    cycle->exposureTimeChanged(250);
    EXPECT_EQ(camera.log, "AbortExposure;StartExposure(r8:2.5,i2:-1);");
    EXPECT_TRUE(cycle->exposing());
    EXPECT_EQ(cycle->ticks(), 0);
    EXPECT_EQ(cycle->progressRange(), 41);
}

TEST_F(ExposureCycleTest, AFailedStartLeavesTheCycleAtRest)
{
    camera.startResult = E_FAIL;
    EXPECT_FALSE(cycle->StartCycle());
    EXPECT_FALSE(cycle->exposing());
    EXPECT_FALSE(timer.running);
    EXPECT_EQ(cycle->buttonText(), "Start");
}

TEST_F(ExposureCycleTest, AThreePlaneFrameSetsPaneSixTo255AndAnotherGeometryReshapesSafely)
{
    EXPECT_EQ(cycle->pane6Width(), 200);
    camera.geometry = {5, 4, 3};
    cycle->StartCycle();
    tick();
    ASSERT_NE(cycle->imageWindow(), nullptr);
    EXPECT_EQ(cycle->pane6Width(), 255);
    EXPECT_EQ(cycle->imageWindow()->pipeline().planeCount(), 3);

    // A later, larger frame: the window follows it instead of reading a short buffer.
    camera.geometry = {9, 7, 1};
    cycle->StartCycle();
    tick();
    EXPECT_EQ(listener.opened, 1);
    EXPECT_EQ(listener.frames, 2);
    EXPECT_EQ(cycle->imageWindow()->pipeline().geometryText(), " [9x7x1] ");
    EXPECT_EQ(cycle->imageWindow()->pipeline().cameraBuffer()[62], 62);
    EXPECT_EQ(cycle->pane6Width(), 85);
}

TEST_F(ExposureCycleTest, AFailedOrForeignImageArrayEndsTheCycleLikeAFrame)
{
    cycle->setManualMode(false);
    camera.imageArrayFails = true;
    cycle->StartCycle();
    camera.log.clear();
    tick();
    EXPECT_EQ(camera.log, "ImageReady;ImageArray;StartExposure(r8:0,i2:-1);");
    EXPECT_EQ(cycle->imageWindow(), nullptr) << "nothing handed over";
    EXPECT_DOUBLE_EQ(cycle->cycleTime(), 0.06);

    camera.imageArrayFails = false;
    camera.elementType = VT_R8; // not 32-bit integers: never read as such
    tick();
    EXPECT_EQ(cycle->imageWindow(), nullptr);
    EXPECT_TRUE(cycle->exposing());
    camera.elementType = VT_I4;
    tick();
    EXPECT_NE(cycle->imageWindow(), nullptr);
}

TEST_F(ExposureCycleTest, PerformanceModeTakesTheFrameFromTheWindowMessage)
{
    cycle->setPerformanceMode(1);
    camera.geometry = {640, 480, 1};
    camera.rawWord = (640u << 17) | (480u << 2) | 1u;
    cycle->StartCycle();
    camera.log.clear();
    listener.log = &camera.log;
    tick();
    const std::string handle = std::to_string(static_cast<std::uint64_t>(cycle->mainWindowHandle()));
    EXPECT_EQ(camera.log, "ImageReady;GetRawBuffer(i8:" + handle + ");returned;frame;")
        << "the message is only copied; the frame is processed once the call has returned";
    listener.log = nullptr;
    ASSERT_NE(cycle->imageWindow(), nullptr);
    EXPECT_EQ(cycle->imageWindow()->pipeline().geometryText(), " [640x480x1] ");
    EXPECT_EQ(cycle->imageWindow()->pipeline().cameraBuffer()[640 * 480 - 1], 640 * 480 - 1);
    EXPECT_FALSE(cycle->exposing());
    EXPECT_EQ(copyDataGeometry((640u << 17) | (480u << 2) | 1u), (FrameGeometry{640, 480, 1}));
    EXPECT_EQ(copyDataGeometry(0xFFFFFFFFu), (FrameGeometry{32767, 32767, 3}));
}

TEST_F(ExposureCycleTest, AMessageNeverReadsPastItsBlock)
{
    camera.geometry = {16, 8, 1};
    std::vector<std::int32_t> block(16 * 8, 7);
    COPYDATASTRUCT data{0, static_cast<DWORD>(block.size() * 4), block.data()};
    EXPECT_EQ(cycle->onCopyData(packCopyDataGeometry({16, 8, 1}), &data), 1) << "accepted at any time";
    ASSERT_NE(cycle->imageWindow(), nullptr);
    EXPECT_EQ(listener.frames, 1);

    // A block shorter than its geometry claims is refused, whether the window exists or
    // the geometry is new; the window keeps its frame.
    data.cbData = 16 * 8 * 4 - 1;
    EXPECT_EQ(cycle->onCopyData(packCopyDataGeometry({16, 8, 1}), &data), 1);
    EXPECT_EQ(cycle->onCopyData(packCopyDataGeometry({32, 8, 1}), &data), 1);
    EXPECT_EQ(cycle->onCopyData(packCopyDataGeometry({16, 8, 0}), &data), 1);
    EXPECT_EQ(cycle->onCopyData(packCopyDataGeometry({16, 8, 1}), nullptr), 1);
    EXPECT_EQ(listener.frames, 1);
    EXPECT_EQ(cycle->imageWindow()->pipeline().geometryText(), " [16x8x1] ");

    // Through the driver: announced bytes short of the frame, and a misaligned block.
    cycle->setPerformanceMode(1);
    camera.rawBytes = 100;
    cycle->StartCycle();
    tick();
    EXPECT_EQ(listener.frames, 1);
    camera.rawBytes.reset();
    camera.rawByteOffset = 1;
    cycle->StartCycle();
    tick();
    EXPECT_EQ(listener.frames, 2);
    EXPECT_EQ(cycle->imageWindow()->pipeline().cameraBuffer()[127], 127);
}

TEST_F(ExposureCycleTest, AWindowClosedByTheUserIsForgottenAndTheNextFrameOpensANewOne)
{
    cycle->StartCycle();
    tick();
    ASSERT_NE(cycle->imageWindow(), nullptr);
    store.writeInt("Preview", "Square Size", 0);
    cycle->closeImageWindow();
    EXPECT_EQ(listener.closing, 1);
    EXPECT_EQ(cycle->imageWindow(), nullptr);
    EXPECT_EQ(cycle->cycleTimeText(), "");
    EXPECT_EQ(cycle->pane6Width(), 200);
    EXPECT_EQ(store.readInt("Preview", "Square Size", 0), 6) << "the preview tool wrote its section";
    cycle->StartCycle();
    tick();
    EXPECT_EQ(listener.opened, 2);
    EXPECT_NE(cycle->imageWindow(), nullptr);

    // Closing from inside a frame's processing waits for the frame to finish.
    listener.closeOnFrame = true;
    cycle->StartCycle();
    tick();
    EXPECT_EQ(cycle->imageWindow(), nullptr);
    EXPECT_EQ(listener.closing, 2);
}

// The enable rules read a cached state: refreshing the views never calls the driver;
// the state is read again on the exposure tick.
TEST_F(ExposureCycleTest, ControlsFollowTheCameraConnectionAsReadOnTheTick)
{
    EXPECT_TRUE(cycle->controlsEnabled()) << "bound and connected at start-up";
    const int reads = camera.connectedReads;
    camera.connected = false;
    for (int i = 0; i < 100; ++i)
        EXPECT_TRUE(cycle->controlsEnabled());
    EXPECT_EQ(camera.connectedReads, reads);
    camera.notReadyPolls = 5;
    cycle->StartCycle();
    tick();
    EXPECT_EQ(camera.connectedReads, reads + 1);
    EXPECT_FALSE(cycle->controlsEnabled());
}

TEST_F(ExposureCycleTest, SettingsAreReadThroughTheEditsRangeAndWrittenBack)
{
    MemorySettingsStore empty;
    cycle->loadSettings(empty);
    EXPECT_EQ(cycle->exposureTime(), 0);
    EXPECT_TRUE(cycle->manualMode());
    EXPECT_FALSE(cycle->performanceMode());

    MemorySettingsStore stored;
    stored.writeInt("Exposure", "Exposure Time", 150);
    stored.writeInt("Exposure", "Manual Mode", 0);
    stored.writeInt("Options", "Perfomance Mode", 3);
    cycle->loadSettings(stored);
    EXPECT_DOUBLE_EQ(cycle->exposureSeconds(), 1.5);
    EXPECT_EQ(cycle->progressRange(), 25);
    EXPECT_FALSE(cycle->manualMode());
    EXPECT_TRUE(cycle->performanceMode());

    stored.writeInt("Exposure", "Exposure Time", -40);
    cycle->loadSettings(stored);
    MemorySettingsStore saved;
    cycle->saveSettings(saved);
    EXPECT_EQ(saved.readInt("Exposure", "Exposure Time", 99), 0) << "corrected on the next save";
    EXPECT_EQ(saved.readInt("Exposure", "Manual Mode", 99), 0);
    EXPECT_EQ(saved.readInt("Options", "Perfomance Mode", 99), 3) << "written back unchanged";
}

} // namespace
} // namespace velmora::client
