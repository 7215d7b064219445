#include "client/guiding/guiding_tool.h"

#include "client/devices/fake_telescope.h"
#include "client/devices/high_resolution_clock.h"
#include "client/image/frame_pipeline.h"
#include "client/image/image_geometry.h"
#include "client/image/test_camera.h"
#include "client/shell/memory_settings_store.h"
#include "platform/automation/apartment.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <memory>

namespace velmora::client {
namespace {

class FakeClock : public HighResolutionClock {
public:
    std::int64_t counter() const override { return now; }
    std::int64_t frequency() const override { return 1000; }
    std::int64_t now = 20000;
};

class GuidingToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        m_class = fakes::registerFakeTelescope("Fake.ToolTelescope", &telescope);
        ASSERT_EQ(CreateDriver("Fake.ToolTelescope", m_telescope), S_OK);
        window = FramePipeline::create(64, 64, 1);
        geometry.setScales(0.125, 0.125);
        geometry.setReticleCentre(32.0, 32.0);
        store.writeInt("Guiding", "Frame X", 1);
        store.writeInt("Guiding", "Frame Y", 1);
    }
    void TearDown() override
    {
        tool.reset();
        m_telescope.reset();
        m_class.reset();
        CoUninitialize();
    }
    void open()
    {
        tool = std::make_unique<GuidingTool>(*window, store, geometry, clock, [this] { return m_telescope; });
        tool->Activate();
    }
    // A frame whose only lit pixel is (x, y): its centroid exactly.
    void frameWithStarAt(int x, int y, int advanceMs)
    {
        clock.now += advanceMs;
        TestCamera camera(64, 64);
        camera.set(x, y, 200);
        ASSERT_TRUE(window->deliverFrame(camera.span(), 64, 64, 1));
    }

    velmora::testing::TempHome home;
    fakes::FakeTelescopeScript telescope;
    std::unique_ptr<automation::InProcessClass> m_class;
    DriverRef m_telescope;
    std::unique_ptr<FramePipeline> window;
    ImageGeometry geometry;
    MemorySettingsStore store;
    FakeClock clock;
    std::unique_ptr<GuidingTool> tool;
};

TEST_F(GuidingToolTest, AlwaysTracksFromTheOriginInGreen)
{
    store.writeInt("Guiding", "Auto Guiding", 0);
    store.writeInt("Guiding", "Full Screen", 1);
    open();
    EXPECT_TRUE(tool->settings().autoGuiding);
    EXPECT_FALSE(tool->settings().fullScreen);
    EXPECT_EQ(tool->square().left, 0);
    EXPECT_EQ(tool->square().top, 0);
    EXPECT_EQ(tool->squareColour(), (RgbColour{0, 255, 0}));
    EXPECT_FALSE(tool->processingBarEnables().autoGuiding);
    EXPECT_FALSE(tool->processingBarEnables().fullScreen);
    EXPECT_EQ(tool->sectionName(), "Guiding");
}

TEST_F(GuidingToolTest, GuidedFramesPostPulsesHorizontalFirstToTheWorker)
{
    open();
    std::vector<GuidingStep> steps;
    tool->setStepListener([&steps](const GuidingStep& step) { steps.push_back(step); });
    frameWithStarAt(40, 24, 60);
    EXPECT_TRUE(steps.empty()) << "not guiding yet";
    tool->Start();
    EXPECT_EQ(tool->startButtonText(), "Stop");
    frameWithStarAt(40, 24, 500); // h = +1'', v = −1''
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_DOUBLE_EQ(steps[0].t, 0.5);
    ASSERT_TRUE(tool->worker().waitUntilIdle(std::chrono::seconds(5)));
    const std::vector<fakes::PulseCall> calls = telescope.pulses();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].direction, 3) << "West first";
    EXPECT_EQ(calls[0].durationMs, 100);
    EXPECT_EQ(calls[1].direction, 0) << "then North";
    EXPECT_EQ(calls[1].durationMs, 100);
    tool->Stop();
    frameWithStarAt(40, 24, 60);
    EXPECT_EQ(steps.size(), 1u);
}

TEST_F(GuidingToolTest, WithPulsesOffTheStepsGoOnAndNothingIsSent)
{
    open();
    std::vector<GuidingStep> steps;
    tool->setStepListener([&steps](const GuidingStep& step) { steps.push_back(step); });
    tool->Start();
    tool->setPulsesEnabled(false);
    frameWithStarAt(40, 24, 500);
    frameWithStarAt(40, 24, 500);
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[1].pulses.size(), 2u) << "the controller still answers";
    ASSERT_TRUE(tool->worker().waitUntilIdle(std::chrono::seconds(5)));
    EXPECT_TRUE(telescope.pulses().empty());
    tool->setPulsesEnabled(true);
    frameWithStarAt(40, 24, 500);
    ASSERT_TRUE(tool->worker().waitUntilIdle(std::chrono::seconds(5)));
    EXPECT_EQ(telescope.pulses().size(), 2u);
}

TEST_F(GuidingToolTest, TheDriftLogHoldsOneLinePerGuidedFrameTimedFromStart)
{
    store.writeInt("Guiding", "Save Log", 1);
    store.writeString("Guiding", "Log Path", home.path() + "/DriftLog.txt");
    open();
    tool->Start();
    EXPECT_FALSE(tool->logControlsEnabled());
    tool->setSaveLog(false);
    EXPECT_TRUE(tool->saveLog()) << "locked during the run";
    const std::string file = tool->logFileName();
    tool->Stop();
    EXPECT_EQ(velmora::testing::readFile(file), "TIME\t\tHORIZONTAL\t\tVERTICAL\r\n")
        << "a run with no frames";

    tool->Start();
    frameWithStarAt(31, 33, 500);
    frameWithStarAt(33, 30, 1256);
    tool->Stop();
    EXPECT_EQ(velmora::testing::readFile(tool->logFileName()), "TIME\t\tHORIZONTAL\t\tVERTICAL\r\n"
                                                               "0.50\t\t-0.125\t\t0.125\r\n"
                                                               "1.76\t\t0.125\t\t-0.250\r\n");
    EXPECT_TRUE(tool->logControlsEnabled());
    EXPECT_EQ(tool->statusText(), "");
}

TEST_F(GuidingToolTest, AnUncreatableLogIsReportedOncePerRunAndGuidingGoesOn)
{
    store.writeInt("Guiding", "Save Log", 1);
    store.writeString("Guiding", "Log Path", home.path() + "/missing/DriftLog.txt");
    open();
    std::vector<std::string> reports;
    tool->setStatusListener([&reports](const std::string& text) { reports.push_back(text); });
    int steps = 0;
    tool->setStepListener([&steps](const GuidingStep&) { ++steps; });
    tool->Start();
    for (int i = 0; i < 3; ++i)
        frameWithStarAt(32, 32, 100);
    EXPECT_EQ(steps, 3);
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].rfind("Drift log not created: " + home.path() + "/missing/DriftLog_(", 0), 0u)
        << reports[0];
    EXPECT_EQ(tool->statusText(), reports[0]);
    tool->Stop();
    EXPECT_EQ(reports.size(), 1u);
    tool->Start();
    EXPECT_EQ(reports.size(), 2u) << "a new run tries again";
}

TEST_F(GuidingToolTest, SettingsAreReadAtCreationAndWrittenWhenTheToolGoes)
{
    store.writeInt("Guiding", "Use Median Filter", 1);
    store.writeInt("Guiding", "Median Number", 8);
    store.writeInt("Guiding", "Proportional Y", 55);
    store.writeInt("Guiding", "Frame X", 0);
    store.writeInt("Guiding", "Save Log", 1);
    store.writeString("Guiding", "Log Path", home.path() + "/Log.txt");
    open();
    EXPECT_TRUE(tool->run().history().filters().useMedian);
    EXPECT_EQ(tool->run().history().filters().medianNumber, 9);
    EXPECT_EQ(tool->controller().axis(GuidingAxisId::Vertical).settings().proportionalTenths, 55);
    EXPECT_EQ(tool->controller().axis(GuidingAxisId::Horizontal).settings().frames, 1);
    tool->Start();
    frameWithStarAt(32, 32, 100);
    const std::string file = tool->logFileName();
    tool.reset(); // while running: stopped, log closed, section written, worker joined
    EXPECT_EQ(velmora::testing::readFile(file),
              "TIME\t\tHORIZONTAL\t\tVERTICAL\r\n0.10\t\t0.000\t\t0.000\r\n");
    EXPECT_EQ(store.readInt("Guiding", "Median Number", 0), 9);
    EXPECT_EQ(store.readInt("Guiding", "Frame X", 0), 1);
    EXPECT_EQ(store.readInt("Guiding", "Proportional Y", 0), 55);
    EXPECT_EQ(store.readInt("Guiding", "Auto Guiding", 0), 1);
    EXPECT_EQ(store.readString("Guiding", "Log Path", ""), home.path() + "/Log.txt");
    EXPECT_EQ(store.readInt("Guiding", "Use Linear Filter", -1), 0);
}

} // namespace
} // namespace velmora::client
