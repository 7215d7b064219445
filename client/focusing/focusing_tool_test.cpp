// The focusing tool on a frame pipeline: synthetic stars whose width follows the
// scripted focuser, ticks of a fake timer given by hand.
#include "client/focusing/focusing_tool.h"

#include "client/devices/exposure_timer.h"
#include "client/focusing/fake_focuser.h"
#include "client/image/frame_pipeline.h"
#include "client/image/image_geometry.h"
#include "client/image/synthetic_star_field.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace velmora::client {
namespace {

using fakes::ScriptedFocuser;

constexpr int kSize = 96;

struct FakeTimer : ExposureTimer {
    void startTimer(int id, int periodMs) override { started.push_back({id, periodMs}); }
    void killTimer(int id) override { killed.push_back(id); }
    std::vector<std::pair<int, int>> started;
    std::vector<int> killed;
};

// Remembers the order of the integer writes.
struct RecordingStore : MemorySettingsStore {
    bool writeInt(const std::string& section, const std::string& value, std::int32_t number) override
    {
        writes.push_back(section + "/" + value);
        return MemorySettingsStore::writeInt(section, value, number);
    }
    std::vector<std::string> writes;
};

// Forwards to a focuser the test keeps.
struct BorrowedFocuser : FocuserAccess {
    explicit BorrowedFocuser(ScriptedFocuser& f) : focuser(f) {}
    std::optional<int> position() override { return focuser.position(); }
    std::optional<bool> isMoving() override { return focuser.isMoving(); }
    std::optional<int> maxStep() override { return focuser.maxStep(); }
    std::optional<int> maxIncrement() override { return focuser.maxIncrement(); }
    std::optional<double> stepSize() override { return focuser.stepSize(); }
    void move(int position) override { focuser.move(position); }
    ScriptedFocuser& focuser;
};

class FocusingToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = FramePipeline::create(kSize, kSize, 1);
        window->setDigitCapacity(16);
        geometry.setScales(1.0, 1.0);
        geometry.setFocalRatio(5.0);
    }
    void open()
    {
        tool = std::make_unique<FocusingTool>(*window, store, geometry,
                                              std::make_unique<BorrowedFocuser>(focuser));
        tool->Activate();
        tool->startTimer(timer);
    }
    // A star at the centre, its width growing 0.05 pixel per step from `best`.
    void deliverFrame()
    {
        const double fwhm = 0.5 + 0.05 * std::abs(focuser.motor - best);
        const GaussianStar star{kSize / 2.0, kSize / 2.0, fwhm, 20000.0};
        const std::vector<std::int32_t> samples = field.render(100.0, {&star, 1}, false);
        ASSERT_TRUE(window->deliverFrame(samples, kSize, kSize, 1));
    }
    void drive(int limit = 2000)
    {
        for (int i = 0; i < limit && tool->running(); ++i) {
            tool->onTimer(FocusingTool::kTimerId);
            deliverFrame();
        }
    }
    void useRange(int step)
    {
        store.writeInt("Focusing-3", "Measuring Step", step);
        store.writeInt("Focusing-3", "Square Size", 64);
    }

    std::unique_ptr<FramePipeline> window;
    ImageGeometry geometry;
    RecordingStore store;
    ScriptedFocuser focuser;
    FakeTimer timer;
    SyntheticStarField field{kSize, kSize, 1, 5};
    std::unique_ptr<FocusingTool> tool;
    int best = 537;
};

TEST_F(FocusingToolTest, OpensTrackingFromTheOriginWithTheFocusersLimitsAndItsTimer)
{
    store.writeInt("Focusing-3", "Full Screen", 1);
    store.writeInt("Focusing-3", "Auto Guiding", 0);
    store.writeInt("Focusing-3", "First Position", 5000);
    focuser.maxIncrementValue = std::nullopt;
    open();
    EXPECT_TRUE(tool->settings().autoGuiding);
    EXPECT_FALSE(tool->settings().fullScreen);
    EXPECT_EQ(tool->square().left, 0);
    EXPECT_EQ(tool->square().top, 0);
    EXPECT_EQ(tool->square().right, 64);
    EXPECT_EQ(tool->run().maxStep(), 1000);
    EXPECT_EQ(tool->run().maxIncrement(), 999999);
    EXPECT_EQ(tool->run().settings().firstPosition, 1000) << "kept within MaxStep";
    EXPECT_EQ(tool->defocusingZone(), "Defocusing Zone - 2 Steps"); // 5 × 5 / 10 × 1.1323
    EXPECT_EQ(timer.started, (std::vector<std::pair<int, int>>{{40000, 100}}));
    EXPECT_EQ(tool->sectionName(), "Focusing-3");
}

TEST_F(FocusingToolTest, TheSectionIsWrittenInTableOrderBeforeTheBaseValues)
{
    focuser.stepSizeValue = std::nullopt;
    open();
    EXPECT_EQ(tool->defocusingZone(), "Defocusing Zone - Not Defined");
    store.writes.clear();
    tool->closeFocusing();
    EXPECT_EQ(timer.killed, (std::vector<int>{40000}));
    ASSERT_GT(store.writes.size(), 11u);
    const std::vector<std::string> expected = {
        "Focusing-3/First Position", "Focusing-3/Second Position",  "Focusing-3/Center Position",
        "Focusing-3/Measuring Step", "Focusing-3/Threshold Level",  "Focusing-3/Backlash Step",
        "Focusing-3/Use Backlash",   "Focusing-3/Median Number",    "Focusing-3/Use Median Filter",
        "Focusing-3/Linear Number",  "Focusing-3/Use Linear Filter"};
    EXPECT_EQ(std::vector<std::string>(store.writes.begin(), store.writes.begin() + 11), expected);
    EXPECT_EQ(store.writes[11], "Focusing-3/Square Size") << "then the base values";
    const std::size_t count = store.writes.size();
    tool.reset();
    EXPECT_EQ(store.writes.size(), count) << "written once";
    EXPECT_EQ(window->tools().size(), 0u);
}

TEST_F(FocusingToolTest, ARunMeasuresTheStarAndEndsAtItsFocus)
{
    useRange(50);
    open();
    tool->SetSquareCentre(kSize / 2, kSize / 2);
    tool->toggleStartStop();
    ASSERT_TRUE(tool->running());
    EXPECT_EQ(tool->startButtonText(), "Stop");
    drive();
    EXPECT_FALSE(tool->running()) << "ends by itself at the focus";
    EXPECT_EQ(tool->startButtonText(), "Start");
    EXPECT_GT(tool->lastDiameter(), 0.0);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(tool->graph().series(k).count(), 7) << k;
    EXPECT_LE(std::abs(tool->run().results().currentFocus - best), 50) << tool->run().results().currentFocus;
    EXPECT_EQ(focuser.motor, tool->run().results().currentFocus);
    // The display shows how far the fill reached: bit 15 of the background.
    EXPECT_NE(window->workingFrame().row(0, 18)[18] & 0x8000, 0);
}

TEST_F(FocusingToolTest, ARunGoesOnBehindAnotherWindowAndStopLeavesTheFocuserAlone)
{
    useRange(50);
    open();
    tool->SetSquareCentre(kSize / 2, kSize / 2);
    MeasurementTool other("Preview", *window, store, geometry);
    tool->Start();
    other.Activate();
    ASSERT_FALSE(tool->isActive());
    for (int i = 0; i < 10; ++i) {
        tool->onTimer(FocusingTool::kTimerId);
        deliverFrame();
    }
    EXPECT_EQ(tool->graph().series(0).count(), 5) << "one point every second tick";
    tool->toggleStartStop();
    EXPECT_FALSE(tool->running());
    const std::size_t moves = focuser.moves.size();
    tool->onTimer(FocusingTool::kTimerId);
    tool->onTimer(12345);
    EXPECT_EQ(focuser.moves.size(), moves);
    EXPECT_EQ(tool->run().position(), focuser.motor);
    other.close();
}

} // namespace
} // namespace velmora::client
