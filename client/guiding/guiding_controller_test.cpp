#include "client/guiding/guiding_controller.h"

#include "client/image/image_geometry.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velmora::client {
namespace {

constexpr auto H = GuidingAxisId::Horizontal;
constexpr auto V = GuidingAxisId::Vertical;

class GuidingControllerTest : public ::testing::Test {
protected:
    GuidingControllerTest()
    {
        geometry.setScales(1.0, 1.0);
        geometry.setReticleCentre(100.0, 100.0);
        geometry.setReticleAngle(0.0);
    }
    void configure(GuidingAxisId id, int frames, int kpTenths, int kiTenths, int kdTenths, int minimum = 100)
    {
        AxisSettings settings = controller.axis(id).settings();
        settings.frames = frames;
        settings.proportionalTenths = kpTenths;
        settings.integralTenths = kiTenths;
        settings.derivativeTenths = kdTenths;
        settings.minimumMs = minimum;
        controller.axis(id).setSettings(settings);
    }

    ImageGeometry geometry;
    GuidingController controller{geometry};
};

TEST_F(GuidingControllerTest, ProportionalClampAndDeadBandWithDefaults)
{
    configure(H, 1, 1000, 0, 0);
    EXPECT_EQ(controller.Correct(H, 1.0), -100);
    EXPECT_EQ(controller.Direction(H, -100), GuideDirection::West);
    EXPECT_EQ(controller.Correct(H, 20.0), -1800) << "raw −2000 clamped to the default Maximum";
    EXPECT_EQ(controller.Correct(H, -20.0), 1800);
    EXPECT_EQ(controller.Direction(H, 1800), GuideDirection::East);
    EXPECT_EQ(controller.Correct(H, 0.5), 0) << "−50 is inside the 100 ms dead band";
    EXPECT_EQ(controller.Correct(H, 0.999), 0) << "−99.9 truncates to −99, still inside";

    // A star right of the reticle centre gives a West pulse, even at zero length.
    const ControllerStep step = controller.step(100.5, 100.0);
    EXPECT_DOUBLE_EQ(step.h, 0.5);
    ASSERT_TRUE(step.axes[0].pulse.has_value());
    EXPECT_EQ(*step.axes[0].pulse, (GuidePulse{GuideDirection::West, 0}));
}

TEST_F(GuidingControllerTest, DirectionCodesPerAxis)
{
    EXPECT_EQ(static_cast<int>(controller.Direction(H, 5)), 2);
    EXPECT_EQ(static_cast<int>(controller.Direction(H, 0)), 3);
    EXPECT_EQ(static_cast<int>(controller.Direction(V, 5)), 0);
    EXPECT_EQ(static_cast<int>(controller.Direction(V, 0)), 1);
    EXPECT_EQ(static_cast<int>(controller.Direction(V, -5)), 1);
    // A star higher on the screen (larger y) is pushed back with a South pulse.
    configure(V, 1, 1000, 0, 0);
    const ControllerStep step = controller.step(100.0, 103.0);
    EXPECT_EQ(step.axes[1].outputMs, -300);
    EXPECT_EQ(*step.axes[1].pulse, (GuidePulse{GuideDirection::South, 300}));
}

TEST_F(GuidingControllerTest, OnePulsePerAxisEveryProcessFrameFrames)
{
    configure(H, 10, 1000, 0, 0, 0);
    configure(V, 10, 1000, 0, 0, 0);
    std::vector<int> pulseFrames;
    std::vector<int> outputs;
    for (int frame = 1; frame <= 30; ++frame) {
        const double x = frame % 10 == 0 ? 103.0 : 100.0; // the 10th frame is off by 3
        const ControllerStep step = controller.step(x, 100.0);
        EXPECT_EQ(step.axes[0].pulse.has_value(), step.axes[1].pulse.has_value());
        if (step.axes[0].pulse) {
            pulseFrames.push_back(frame);
            outputs.push_back(step.axes[0].outputMs);
        }
    }
    EXPECT_EQ(pulseFrames, (std::vector<int>{10, 20, 30}));
    EXPECT_EQ(outputs, (std::vector<int>{-30, -30, -30})) << "averaged: 3'' / 10 frames";

    controller.setAverageByFrames(false);
    controller.resetState();
    outputs.clear();
    for (int frame = 1; frame <= 10; ++frame) {
        const ControllerStep step = controller.step(frame == 10 ? 103.0 : 90.0, 100.0);
        if (step.axes[0].pulse)
            outputs.push_back(step.axes[0].outputMs);
    }
    EXPECT_EQ(outputs, (std::vector<int>{-300})) << "without averaging only the 10th offset counts";
}

TEST_F(GuidingControllerTest, ReticleAngleNinetyRotatesTheAxes)
{
    geometry.setScales(2.0, 3.0);
    geometry.setReticleAngle(90.0);
    const AxisOffset offsets = controller.AxisOffsets(104.0, 101.0); // dx = 8'', dy = 3''
    EXPECT_NEAR(offsets.h, 3.0, 1e-6);
    EXPECT_NEAR(offsets.v, -8.0, 1e-6);
    EXPECT_NEAR(geometry.cosA(), 0.0, 1e-8);
    EXPECT_NEAR(geometry.sinA(), 1.0, 1e-12);
    geometry.setReticleAngle(std::nan(""));
    EXPECT_EQ(geometry.cosA(), 1.0) << "an angle that is not a number counts as 0";
    geometry.setScales(0.0, 0.0);
    const AxisOffset none = controller.AxisOffsets(500.0, -20.0);
    EXPECT_EQ(none.h, 0.0);
    EXPECT_EQ(none.v, 0.0);
}

TEST_F(GuidingControllerTest, IntegralPersistsAndDerivativeUsesThePreviousError)
{
    configure(H, 1, 0, 100, 0, 0); // Ki = 10
    EXPECT_EQ(controller.Correct(H, -1.0), 10);
    EXPECT_EQ(controller.Correct(H, -1.0), 20);
    EXPECT_EQ(controller.Correct(H, 0.0), 20) << "a zero error still produces Ki·I";
    EXPECT_DOUBLE_EQ(controller.axis(H).integral(), 2.0);

    configure(V, 1, 0, 0, 50, 0); // Kd = 5
    EXPECT_EQ(controller.Correct(V, -2.0), 10);
    EXPECT_EQ(controller.Correct(V, -2.0), 0);
    EXPECT_EQ(controller.Correct(V, 1.0), -15);

    controller.resetState();
    EXPECT_EQ(controller.axis(H).integral(), 0.0);
    EXPECT_EQ(controller.axis(V).previousError(), 0.0);
}

TEST_F(GuidingControllerTest, LimitsGainsAndHugeOutputs)
{
    configure(H, 1, -1000, 0, 0);
    EXPECT_EQ(controller.Correct(H, 2.0), 200) << "a negative gain reverses the axis";
    AxisSettings settings = controller.axis(H).settings();
    settings.minimumMs = 2000;
    controller.axis(H).setSettings(settings);
    EXPECT_EQ(controller.Correct(H, 50.0), 0) << "a Minimum above Maximum suppresses every pulse";

    configure(V, 1, AxisSettings::kMaxGainTenths, 0, 0);
    EXPECT_EQ(controller.Correct(V, 1.0e9), -1800) << "beyond int32: saturates, then clamps";
    EXPECT_EQ(controller.Correct(V, -1.0e300), 1800);
}

TEST_F(GuidingControllerTest, DisabledAxisOnlyReportsAndEnablingRestartsTheState)
{
    configure(H, 3, 1000, 10, 0, 0);
    controller.step(101.0, 100.0);
    controller.step(101.0, 100.0);
    EXPECT_EQ(controller.axis(H).frameCounter(), 2);
    controller.axis(H).setEnabled(false);
    EXPECT_EQ(controller.axis(H).frameCounter(), 0);
    const ControllerStep step = controller.step(105.0, 100.0);
    EXPECT_DOUBLE_EQ(step.axes[0].deltaArcsec, 5.0);
    EXPECT_FALSE(step.axes[0].corrected);
    EXPECT_FALSE(step.axes[0].pulse.has_value());
    controller.axis(H).setEnabled(true);
    EXPECT_FALSE(controller.step(101.0, 100.0).axes[0].pulse.has_value());
    EXPECT_FALSE(controller.step(101.0, 100.0).axes[0].pulse.has_value()) << "counting restarted from 0";
    EXPECT_TRUE(controller.step(101.0, 100.0).axes[0].pulse.has_value());
}

TEST_F(GuidingControllerTest, SettingsUseAxisSuffixesAndRanges)
{
    MemorySettingsStore store;
    store.writeInt("Guiding", "Frame X", 0);
    store.writeInt("Guiding", "Frame Y", 4);
    store.writeInt("Guiding", "Proportional Y", 20000000);
    store.writeInt("Guiding", "Maximum Y", -5);
    store.writeInt("Guiding", "Enable X", 0);
    store.writeInt("Guiding", "Guiding Rate", 0);
    store.writeInt("Guiding", "Average", 0);
    controller.load(store);
    EXPECT_EQ(controller.axis(H).settings().frames, 1);
    EXPECT_FALSE(controller.axis(H).settings().enabled);
    EXPECT_EQ(controller.axis(V).settings().frames, 4);
    EXPECT_EQ(controller.axis(V).settings().proportionalTenths, 9999999);
    EXPECT_EQ(controller.axis(V).settings().maximumMs, 0);
    EXPECT_EQ(controller.axis(V).settings().minimumMs, 100);
    EXPECT_EQ(controller.guidingRateHundredths(), 1);
    EXPECT_FALSE(controller.averageByFrames());

    MemorySettingsStore empty;
    GuidingController defaults(geometry);
    defaults.load(empty);
    EXPECT_EQ(defaults.proportionalHintText(), "P=133.33");
    MemorySettingsStore saved;
    defaults.save(saved);
    EXPECT_EQ(saved.size(), 16u);
    EXPECT_EQ(saved.readInt("Guiding", "Proportional X", 0), 1000);
    EXPECT_EQ(saved.readInt("Guiding", "Maximum Y", 0), 1800);
    EXPECT_EQ(saved.readInt("Guiding", "Minimum X", 0), 100);
    EXPECT_EQ(saved.readInt("Guiding", "Enable Y", 0), 1);
    EXPECT_EQ(saved.readInt("Guiding", "Average", 0), 1);
    EXPECT_EQ(saved.readInt("Guiding", "Guiding Rate", 0), 50);
}

} // namespace
} // namespace velmora::client
