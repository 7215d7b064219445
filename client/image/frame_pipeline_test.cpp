#include "client/image/frame_pipeline.h"

#include "client/image/calibration_sink.h"
#include "client/image/frame_corrector.h"
#include "client/image/image_geometry.h"
#include "client/image/measurement_tool.h"
#include "client/image/pipeline_listener.h"
#include "client/image/test_camera.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora::client {
namespace {

struct RecordingSink : CalibrationSink {
    void addRawFrame(const ImageFrame& raw) override { firstSamples.push_back(raw.samples()[0]); }
    std::vector<int> firstSamples;
};

struct RecordingCorrector : FrameCorrector {
    void subtractDark(ImageFrame& raw, const ImageFrame& dark) override
    {
        log.push_back("dark");
        for (int i = 0; i < raw.sampleCount(); ++i)
            raw.samples()[i] = static_cast<std::uint16_t>(raw.samples()[i] - dark.samples()[i]);
    }
    void applyFlat(ImageFrame& raw, const ImageFrame&) override
    {
        log.push_back("flat");
        raw.samples()[0] = static_cast<std::uint16_t>(raw.samples()[0] * 2);
    }
    std::vector<std::string> log;
};

struct RecordingListener : PipelineListener {
    void toolActivated(MeasurementTool& tool) override { activated.push_back(tool.sectionName()); }
    void activeFrameProcessed(MeasurementTool&) override { ++repaints; }
    void geometryChanged(int w, int h, int p) override { geometries.push_back({w, h, p}); }
    void toolAttached(MeasurementTool& tool) override { attached.push_back(tool.sectionName()); }
    void toolDetached(MeasurementTool& tool) override { detached.push_back(tool.sectionName()); }
    std::vector<std::string> activated;
    std::vector<std::string> attached;
    std::vector<std::string> detached;
    std::vector<std::vector<int>> geometries;
    int repaints = 0;
};

TEST(FramePipelineTest, CreationNeedsPositiveDimensions)
{
    EXPECT_EQ(FramePipeline::create(0, 10, 1), nullptr);
    EXPECT_EQ(FramePipeline::create(10, 10, -1), nullptr);
    EXPECT_EQ(FramePipeline::create(32767, 32767, 3), nullptr) << "more samples than a frame can count";
    auto window = FramePipeline::create(640, 480, 3);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->geometryText(), " [640x480x3] ");
    EXPECT_EQ(window->cameraBuffer().size(), 640u * 480u * 3u);
}

TEST(FramePipelineTest, ConvertsByDigitCapacityInStorageOrder)
{
    auto window = FramePipeline::create(3, 2, 2);
    TestCamera camera(3, 2, 2);
    camera.set(2, 1, 255, 1).set(0, 0, 1, 0);
    ASSERT_TRUE(window->deliverFrame(camera.span(), 3, 2, 2));
    EXPECT_EQ(window->rawFrame().at(1, 2, 1), 65535) << "default depth is 8 bits";
    EXPECT_EQ(window->rawFrame().at(0, 0, 0), 257);
    window->setDigitCapacity(12);
    window->runPipeline(false);
    EXPECT_EQ(window->rawFrame().at(1, 2, 1), 255 * 65535 / 4095);
}

TEST(FramePipelineTest, ShortOrImpossibleFramesAreRefusedWithoutChange)
{
    auto window = FramePipeline::create(4, 4, 1);
    window->setDigitCapacity(16);
    ASSERT_TRUE(window->deliverFrame(TestCamera(4, 4, 1, 7).span(), 4, 4, 1));
    const TestCamera shortFrame(4, 3, 1, 9);
    EXPECT_FALSE(window->deliverFrame(shortFrame.span(), 4, 4, 1))
        << "fewer samples than the geometry claims";
    EXPECT_FALSE(window->deliverFrame(shortFrame.span(), 0, 4, 1));
    EXPECT_FALSE(window->deliverFrame(shortFrame.span(), 32767, 32767, 3));
    EXPECT_EQ(window->width(), 4);
    EXPECT_EQ(window->rawFrame().at(0, 3, 3), 7);
}

TEST(FramePipelineTest, OtherDimensionsReallocateFramesAndTellTheTools)
{
    auto window = FramePipeline::create(32, 32, 1);
    window->setDigitCapacity(16);
    RecordingListener listener;
    window->addListener(listener);
    MemorySettingsStore store;
    ImageGeometry geometry;
    MeasurementTool tool("Preview", *window, store, geometry);
    tool.Activate();
    tool.SetAutoGuiding(true);
    tool.SelectThresholdPlane(0);
    tool.SetThreshold(100);

    // Smaller and with three planes: the square (32 px) would reach past the frame.
    TestCamera small(12, 8, 3, 50);
    small.set(5, 6, 3000, 2);
    ASSERT_TRUE(window->deliverFrame(small.span(), 12, 8, 3));
    EXPECT_EQ(window->geometryText(), " [12x8x3] ");
    EXPECT_TRUE(window->rawFrame().sameDimensions(12, 3, 8));
    EXPECT_TRUE(window->workingFrame().sameDimensions(12, 3, 8));
    EXPECT_EQ(listener.geometries, (std::vector<std::vector<int>>{{12, 8, 3}}));
    EXPECT_EQ(tool.settings().thresholds, (std::vector<std::uint16_t>{100, 0, 0}));
    EXPECT_EQ(tool.settings().squareSize, 8);
    EXPECT_EQ(tool.histogramLevels().planeCount(), 3);
    EXPECT_LT(tool.centreX(), 12) << "the square's centre is brought into the new image";
    EXPECT_LT(tool.centreY(), 8);
    for (int plane : {1, 2}) {
        tool.SelectThresholdPlane(plane);
        tool.SetThreshold(50);
    }
    tool.SetSquareCentre(4, 4);
    EXPECT_EQ(tool.centroidX(), 5.0);
    EXPECT_EQ(tool.centroidY(), 6.0);

    TestCamera large(64, 40, 1, 0);
    large.set(40, 30, 20000);
    ASSERT_TRUE(window->deliverFrame(large.span(), 64, 40, 1));
    EXPECT_EQ(tool.settings().thresholds.size(), 1u);
    tool.SetSquareCentre(40, 30);
    EXPECT_EQ(tool.centroidX(), 40.0);
    EXPECT_EQ(listener.activated, (std::vector<std::string>{"Preview"}));
    EXPECT_GT(listener.repaints, 2);
}

// Several views hear the same window; one that leaves while being told is not told
// again, and one that was removed before is not told at all.
TEST(FramePipelineTest, NotificationsFanOutToEveryListener)
{
    auto window = FramePipeline::create(8, 8, 1);
    MemorySettingsStore store;
    ImageGeometry geometry;
    RecordingListener first, second, removed;
    window->addListener(first);
    window->addListener(second);
    window->addListener(second);
    window->addListener(removed);
    window->removeListener(removed);
    struct LeavingListener : PipelineListener {
        FramePipeline* window = nullptr;
        int told = 0;
        void toolActivated(MeasurementTool&) override
        {
            ++told;
            window->removeListener(*this);
        }
    } leaving;
    leaving.window = window.get();
    window->addListener(leaving);
    {
        MeasurementTool preview("Preview", *window, store, geometry);
        preview.Activate();
        MeasurementTool guiding("Guiding", *window, store, geometry);
        guiding.Activate();
        EXPECT_EQ(window->activeTool(), &guiding);
    }
    for (const RecordingListener* listener : {&first, &second}) {
        EXPECT_EQ(listener->attached, (std::vector<std::string>{"Preview", "Guiding"}));
        EXPECT_EQ(listener->activated, (std::vector<std::string>{"Preview", "Guiding"}));
        EXPECT_EQ(listener->detached, (std::vector<std::string>{"Guiding", "Preview"}));
        EXPECT_EQ(listener->repaints, 2) << "each activation processes once, told once per listener";
    }
    EXPECT_TRUE(removed.activated.empty());
    EXPECT_EQ(leaving.told, 1);
    EXPECT_TRUE(window->tools().empty());
}

TEST(FramePipelineTest, CalibrationHooksRunInOrderOnlyWhenEnabledAndMatching)
{
    auto window = FramePipeline::create(4, 4, 1);
    window->setDigitCapacity(16);
    RecordingSink sink;
    RecordingSink other;
    RecordingCorrector corrector;
    ASSERT_TRUE(window->registerCalibrationSink(sink));
    EXPECT_FALSE(window->registerCalibrationSink(other)) << "one calibration average per window";
    window->setFrameCorrector(&corrector);
    window->darkFrame().Allocate(4, 1, 4);
    for (auto& s : window->darkFrame().sampleSpan())
        s = 100;
    window->flatFrame().Allocate(4, 1, 4);

    window->deliverFrame(TestCamera(4, 4, 1, 1000).span(), 4, 4, 1);
    EXPECT_TRUE(corrector.log.empty()) << "options off";
    window->setApplyDark(true);
    window->setApplyFlat(true);
    window->deliverFrame(TestCamera(4, 4, 1, 1000).span(), 4, 4, 1);
    EXPECT_EQ(corrector.log, (std::vector<std::string>{"dark", "flat"}));
    EXPECT_EQ(window->rawFrame().at(0, 0, 0), 1800);
    EXPECT_EQ(window->rawFrame().at(0, 1, 0), 900);
    EXPECT_EQ(sink.firstSamples, (std::vector<int>{1000, 1000})) << "the average sees the uncorrected frame";

    window->runPipeline(false);
    EXPECT_EQ(sink.firstSamples.size(), 2u) << "a re-run is not a new frame for the average";
    EXPECT_EQ(window->rawFrame().at(0, 0, 0), 1800) << "a re-run starts again from the camera buffer";

    window->flatFrame().Allocate(2, 1, 2); // no longer matches
    corrector.log.clear();
    window->runPipeline(false);
    EXPECT_EQ(corrector.log, (std::vector<std::string>{"dark"}));

    window->unregisterCalibrationSink(sink);
    EXPECT_TRUE(window->registerCalibrationSink(other));
}

TEST(FramePipelineTest, ToolsOutlivingTheirWindowDoNotTouchIt)
{
    MemorySettingsStore store;
    ImageGeometry geometry;
    auto window = FramePipeline::create(16, 16, 1);
    MeasurementTool tool("Preview", *window, store, geometry);
    tool.Activate();
    window.reset();
    tool.ProcessFrame(true);
    tool.SetSquareSize(20);
    EXPECT_EQ(tool.MeasureFwhm(), 0.0);
    tool.close();
    EXPECT_TRUE(store.contains("Preview", "Square Size"));
}

} // namespace
} // namespace velmora::client
