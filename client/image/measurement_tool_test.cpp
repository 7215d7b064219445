#include "client/image/measurement_tool.h"

#include "client/image/frame_pipeline.h"
#include "client/image/image_geometry.h"
#include "client/image/test_camera.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace velmora::client {
namespace {

class RecordingTool : public MeasurementTool {
public:
    RecordingTool(std::string section, FramePipeline& window, SettingsStore& store,
                  const ImageGeometry& geometry, std::vector<std::string>* log = nullptr, int command = -1)
        : MeasurementTool(std::move(section), window, store, geometry), m_log(log), m_command(command)
    {
    }
    ~RecordingTool() override { close(); }

    void Stop() override
    {
        ++stops;
        MeasurementTool::Stop();
    }
    bool handleCommand(int commandId) override
    {
        if (commandId != m_command)
            return false;
        ++handled;
        return true;
    }
    using MeasurementTool::forceTrackingSquare;

    std::vector<bool> steps;
    int stops = 0;
    int handled = 0;

protected:
    void FrameStep(bool newFrame) override
    {
        steps.push_back(newFrame);
        if (m_log != nullptr)
            m_log->push_back(sectionName());
    }

private:
    std::vector<std::string>* m_log;
    int m_command;
};

class MeasurementToolTest : public ::testing::Test {
protected:
    void open(int w, int h, int planes = 1)
    {
        window = FramePipeline::create(w, h, planes);
        ASSERT_NE(window, nullptr);
        window->setDigitCapacity(16); // camera values are the frame values
    }
    std::unique_ptr<RecordingTool> tool(const std::string& section, std::vector<std::string>* log = nullptr,
                                        int command = -1)
    {
        return std::make_unique<RecordingTool>(section, *window, store, geometry, log, command);
    }
    void deliver(const TestCamera& camera)
    {
        ASSERT_TRUE(window->deliverFrame(camera.span(), camera.width, camera.height, camera.planeCount));
    }

    MemorySettingsStore store;
    ImageGeometry geometry;
    std::unique_ptr<FramePipeline> window;
};

TEST_F(MeasurementToolTest, TrackingRecentresOnASinglePixelAndStopsAfterTwoIterations)
{
    open(64, 64);
    store.writeInt("Preview", "Square Size", 16);
    store.writeInt("Preview", "Iter Level", 0); // convergence 0: stop only on an exact repeat
    auto preview = tool("Preview");
    preview->SetAutoGuiding(true);
    preview->Activate();
    deliver(TestCamera(64, 64).set(10, 13, 60000));
    EXPECT_EQ(preview->centroidX(), 10.0);
    EXPECT_EQ(preview->centroidY(), 13.0);
    EXPECT_EQ(preview->centreX(), 10);
    EXPECT_EQ(preview->square(), (PixelRect{2, 5, 18, 21}));
    EXPECT_EQ(preview->lastIterations(), 2);
    EXPECT_FALSE(preview->notConverged());
}

TEST_F(MeasurementToolTest, NoSignalKeepsTheSquareAndGivesHalfPixelCentre)
{
    open(64, 64);
    store.writeInt("Preview", "Square Size", 17);
    auto preview = tool("Preview");
    preview->SetAutoGuiding(true);
    preview->Activate();
    deliver(TestCamera(64, 64, 1, 300));
    preview->SetThreshold(300);
    EXPECT_EQ(preview->centroidX(), 8.5);
    EXPECT_EQ(preview->centroidY(), 8.5);
    EXPECT_EQ(preview->square(), (PixelRect{0, 0, 17, 17}));
}

TEST_F(MeasurementToolTest, OscillatingTrackStopsAtTheIterationCapOnlyWithTightConvergence)
{
    // On a 16 × 4 image the square is 4 pixels; these three pixels make it alternate
    // between two positions whose centroids differ by 0.47 and 0.16 pixels.
    open(16, 4);
    auto preview = tool("Preview");
    preview->Activate();
    preview->SetSquareCentre(8, 2);
    ASSERT_EQ(preview->square(), (PixelRect{6, 0, 10, 4}));
    preview->SetConvergence(0.0);
    preview->SetAutoGuiding(true);
    deliver(TestCamera(16, 4).set(9, 0, 5000).set(8, 2, 7000).set(6, 3, 7000));
    EXPECT_EQ(preview->lastIterations(), MeasurementTool::kMaxIterations);
    EXPECT_TRUE(preview->notConverged());
    EXPECT_TRUE(preview->squareOverlay().crossed);

    preview->SetConvergence(0.5);
    EXPECT_LT(preview->lastIterations(), 5);
    EXPECT_FALSE(preview->notConverged());
    EXPECT_FALSE(preview->squareOverlay().crossed);
}

TEST_F(MeasurementToolTest, DetectionTakesTheMaximumOverExactlyDetectNumberNewFrames)
{
    open(32, 32);
    auto preview = tool("Preview");
    preview->Activate();
    preview->SetThreshold(5000);
    preview->SetDetectNumber(3);
    preview->Detect();
    EXPECT_EQ(preview->shownThreshold(), 0);
    EXPECT_FALSE(preview->processingBarEnables().detect);
    EXPECT_FALSE(preview->processingBarEnables().threshold);

    deliver(TestCamera(32, 32, 1, 50).set(3, 3, 100));
    // Settings changes reprocess the frame but are not frames.
    preview->SetConvergence(0.5);
    preview->SetSquareCentre(20, 20);
    preview->SetSquareCentre(32, 32);
    EXPECT_EQ(preview->detectCount(), 1);
    deliver(TestCamera(32, 32, 1, 50).set(40 - 20, 20, 300));
    EXPECT_TRUE(preview->detecting());
    deliver(TestCamera(32, 32, 1, 50).set(21, 21, 200));
    EXPECT_FALSE(preview->detecting());
    EXPECT_EQ(preview->detectCount(), 3);
    EXPECT_EQ(preview->shownThreshold(), 300);
    deliver(TestCamera(32, 32, 1, 50).set(21, 21, 900));
    EXPECT_EQ(preview->shownThreshold(), 300) << "detection stopped by itself";
    EXPECT_TRUE(preview->processingBarEnables().detect);
}

TEST_F(MeasurementToolTest, InactiveToolsDetectAndTrackOnNewFramesWhileRunning)
{
    open(32, 32);
    auto guiding = tool("Guiding");
    guiding->forceTrackingSquare();
    guiding->Activate();
    auto preview = tool("Preview");
    preview->Activate();
    guiding->SetDetectNumber(2);
    guiding->Detect();
    deliver(TestCamera(32, 32, 1, 10).set(2, 2, 400));
    deliver(TestCamera(32, 32, 1, 10).set(2, 2, 500));
    EXPECT_FALSE(guiding->detecting());
    EXPECT_EQ(guiding->shownThreshold(), 500);

    guiding->Start();
    geometry.setScales(1.0, 1.0);
    deliver(TestCamera(32, 32, 1, 10).set(7, 9, 9000));
    EXPECT_EQ(guiding->centroidX(), 7.0) << "the inactive running tool still tracks";
    EXPECT_EQ(guiding->steps.back(), true);
    EXPECT_EQ(guiding->fwhm(), 0.0) << "only the active tool measures the FWHM";
    EXPECT_GT(preview->fwhm(), 0.0);

    guiding->Stop();
    const auto stepsBefore = guiding->steps.size();
    deliver(TestCamera(32, 32, 1, 10));
    EXPECT_EQ(guiding->steps.size(), stepsBefore) << "idle inactive tools skip the frame";
}

TEST_F(MeasurementToolTest, ToolsProcessOldestActivationFirstAndTheActiveOneLast)
{
    open(16, 16);
    std::vector<std::string> log;
    auto a = tool("A", &log);
    auto b = tool("B", &log);
    auto c = tool("C", &log);
    a->Activate();
    b->Activate();
    c->Activate();
    a->Activate();
    EXPECT_TRUE(a->isActive());
    EXPECT_FALSE(c->isActive());
    ASSERT_EQ(window->tools().size(), 3u);
    EXPECT_EQ(window->tools()[0], a.get());
    EXPECT_EQ(window->tools()[1], c.get());
    EXPECT_EQ(window->tools()[2], b.get());
    b->Start();
    c->Start();
    log.clear();
    deliver(TestCamera(16, 16));
    EXPECT_EQ(log, (std::vector<std::string>{"B", "C", "A"}));
}

TEST_F(MeasurementToolTest, ActiveToolsWorkingFrameIsWhatRemains)
{
    open(16, 16);
    auto capture = tool("Capture");
    capture->Activate();
    capture->setApplyHistogram(true);
    capture->setMaxColour(1000); // strong stretch of its own working frame
    capture->Start();
    auto preview = tool("Preview");
    preview->Activate();
    deliver(TestCamera(16, 16, 1, 500));
    EXPECT_EQ(window->workingFrame().at(0, 3, 3), 500) << "the active tool ran last on the raw frame";
}

TEST_F(MeasurementToolTest, CommandsReachTheActiveToolFirst)
{
    open(16, 16);
    auto a = tool("A", nullptr, 7);
    auto b = tool("B", nullptr, 7);
    auto c = tool("C", nullptr, 9);
    a->Activate();
    b->Activate();
    EXPECT_EQ(window->routeCommand(9), true) << "any tool in the list may handle it";
    EXPECT_EQ(window->routeCommand(8), false);
    EXPECT_TRUE(window->routeCommand(7));
    EXPECT_EQ(b->handled, 1) << "the active tool is offered the command first";
    EXPECT_EQ(a->handled, 0);
    a->Activate();
    EXPECT_TRUE(window->routeCommand(7));
    EXPECT_EQ(a->handled, 1);
    EXPECT_EQ(b->handled, 1);
    c->Activate();
    EXPECT_EQ(window->activeTool(), c.get());
}

TEST_F(MeasurementToolTest, SettingsAreReadThroughTheirRangesAndWrittenOnClose)
{
    open(64, 48, 3);
    store.writeInt("Capture", "Square Size", 8);
    store.writeInt("Capture", "Iter Level", 25);
    store.writeInt("Capture", "Full Screen", 1);
    store.writeInt("Capture", "Auto Guiding", 1);
    store.writeInt("Capture", "Detect Number", 7);
    store.writeInt("Capture", "Reference Color 3-1", 70000);
    store.writeInt("Capture", "Max Color 3-2", 900);
    store.writeInt("Capture", "Min Color 3-2", 1200);
    store.writeInt("Capture", "Min Level 3-0", 800);
    store.writeInt("Capture", "Max Level 3-0", 600);
    auto capture = tool("Capture");
    EXPECT_EQ(capture->settings().squareSize, 16);
    EXPECT_DOUBLE_EQ(capture->settings().convergence, 2.5);
    EXPECT_FALSE(capture->settings().autoGuiding) << "Full Screen forces Auto Guiding off";
    EXPECT_EQ(capture->square(), (PixelRect{0, 0, 64, 48}));
    EXPECT_EQ(capture->settings().thresholds, (std::vector<std::uint16_t>{0, 65535, 0}));
    EXPECT_EQ(capture->histogramLevels().manualLevels(2), (LevelPair{1200, 1200}));
    EXPECT_EQ(capture->histogramLevels().maxLevel(0), 200);

    capture->SetFullScreen(false);
    capture->SetSquareSize(500);
    capture->SetConvergence(0.7);
    capture->Start();
    capture.reset();
    EXPECT_EQ(store.readInt("Capture", "Square Size", 0), 48);
    EXPECT_EQ(store.readInt("Capture", "Iter Level", 0), 7);
    EXPECT_EQ(store.readInt("Capture", "Full Screen", 9), 0);
    EXPECT_EQ(store.readInt("Capture", "Detect Number", 0), 7);
    EXPECT_EQ(store.readInt("Capture", "Reference Color 3-1", 0), 65535);
    EXPECT_EQ(store.readInt("Capture", "Max Level 3-0", 0), 200);
    EXPECT_EQ(window->tools().size(), 0u) << "a closed tool leaves its window";
}

TEST_F(MeasurementToolTest, ClosingARunningToolStopsItBeforeWritingItsSection)
{
    open(32, 32);
    auto guiding = tool("Guiding");
    guiding->Start();
    EXPECT_EQ(guiding->startButtonText(), "Stop");
    guiding->close();
    EXPECT_EQ(guiding->stops, 1);
    EXPECT_EQ(guiding->startButtonText(), "Start");
    EXPECT_TRUE(store.contains("Guiding", "Square Size"));
    guiding->close();
    EXPECT_EQ(guiding->stops, 1) << "close is idempotent";
}

TEST_F(MeasurementToolTest, SquareOperationsFollowCentreAndFullScreen)
{
    open(100, 80);
    store.writeInt("Preview", "Square Size", 20);
    auto preview = tool("Preview");
    EXPECT_EQ(preview->square(), (PixelRect{0, 0, 20, 20}));
    preview->Activate();
    preview->SetSquareCentre(50, 41);
    EXPECT_EQ(preview->square(), (PixelRect{40, 31, 60, 51}));
    preview->SetSquareSize(31);
    EXPECT_EQ(preview->square(), (PixelRect{35, 26, 66, 57}));
    EXPECT_EQ(preview->square().centreX(), 50);

    preview->SetAutoGuiding(true);
    preview->SetFullScreen(true);
    EXPECT_FALSE(preview->settings().autoGuiding);
    EXPECT_EQ(preview->square(), (PixelRect{0, 0, 100, 80}));
    preview->SetSquareCentre(10, 10);
    EXPECT_EQ(preview->square(), (PixelRect{0, 0, 100, 80})) << "clicks do not move a full-screen square";
    preview->SetFullScreen(false);
    EXPECT_EQ(preview->square(), (PixelRect{35, 26, 66, 57}));
}

TEST_F(MeasurementToolTest, ProcessingBarEnablesFollowTheState)
{
    open(32, 32);
    auto preview = tool("Preview");
    ProcessingBarEnables enables = preview->processingBarEnables();
    EXPECT_TRUE(enables.squareSize && enables.autoGuiding && enables.fullScreen && enables.manualLevels);
    EXPECT_FALSE(enables.convergence) << "convergence only while tracking";
    EXPECT_FALSE(enables.levelFractions);
    preview->SetAutoGuiding(true);
    EXPECT_TRUE(preview->processingBarEnables().convergence);
    preview->SetFullScreen(true);
    enables = preview->processingBarEnables();
    EXPECT_FALSE(enables.squareSize || enables.autoGuiding);
    EXPECT_TRUE(enables.fullScreen);
    preview->setAutoHistogram(true);
    enables = preview->processingBarEnables();
    EXPECT_FALSE(enables.manualLevels);
    EXPECT_TRUE(enables.levelFractions);
}

TEST_F(MeasurementToolTest, TitlesAndStatusTexts)
{
    open(32, 32);
    auto focusing = tool("Focusing-3");
    EXPECT_EQ(focusing->mainWindowTitle(), "Velmora Nebrix Client - Focusing-3");
    EXPECT_EQ(focusing->processingBarCaption(), "<< Focusing-3 Settings >>");
    EXPECT_EQ(focusing->startButtonText(), "Start");
    focusing->toggleStartStop();
    EXPECT_TRUE(focusing->running());
    EXPECT_EQ(focusing->fwhmText(), " [FWHM - 0.00] ");
    EXPECT_EQ(window->geometryText(), " [32x32x1] ");
}

TEST_F(MeasurementToolTest, GuidingStyleSquareIsForcedToTheOriginWithTracking)
{
    open(64, 64);
    store.writeInt("Guiding", "Full Screen", 1);
    store.writeInt("Guiding", "Square Size", 24);
    auto guiding = tool("Guiding");
    guiding->forceTrackingSquare();
    EXPECT_FALSE(guiding->settings().fullScreen);
    EXPECT_TRUE(guiding->settings().autoGuiding);
    EXPECT_EQ(guiding->square(), (PixelRect{0, 0, 24, 24}));
    EXPECT_EQ(guiding->centreX(), 12);
}

} // namespace
} // namespace velmora::client
