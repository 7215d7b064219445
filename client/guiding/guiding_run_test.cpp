#include "client/guiding/guiding_run.h"

#include "client/image/image_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace velmora::client {
namespace {

constexpr auto H = GuidingAxisId::Horizontal;
constexpr auto V = GuidingAxisId::Vertical;

class GuidingRunTest : public ::testing::Test {
protected:
    GuidingRunTest()
    {
        geometry.setScales(1.0, 1.0);
        geometry.setReticleCentre(100.0, 100.0);
    }
    void everyFrame(GuidingAxisId id, int frames = 1)
    {
        AxisSettings settings = run.controller().axis(id).settings();
        settings.frames = frames;
        run.controller().axis(id).setSettings(settings);
    }

    ImageGeometry geometry;
    GuidingRun run{geometry};
};

TEST_F(GuidingRunTest, StepsOnlyWhileRunningAndPostsHorizontalBeforeVertical)
{
    EXPECT_FALSE(run.step(1.0, 101.0, 99.0)) << "stopped";
    everyFrame(H);
    everyFrame(V);
    run.start();
    const std::optional<GuidingStep> step = run.step(0.25, 101.0, 99.0);
    ASSERT_TRUE(step);
    EXPECT_EQ(step->t, 0.25);
    EXPECT_EQ(step->h, 1.0);
    EXPECT_EQ(step->v, -1.0);
    ASSERT_EQ(step->pulses.size(), 2u);
    EXPECT_EQ(step->pulses[0], (GuidePulse{GuideDirection::West, 100}));
    EXPECT_EQ(step->pulses[1], (GuidePulse{GuideDirection::North, 100}));
    EXPECT_EQ(run.display(H).outputMs, -100);
    EXPECT_EQ(run.display(V).deltaArcsec, -1.0);

    // A sub-threshold offset still posts a zero-length pulse.
    const std::optional<GuidingStep> small = run.step(0.5, 100.5, 100.0);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->pulses[0], (GuidePulse{GuideDirection::West, 0}));

    EXPECT_FALSE(run.step(0.75, std::numeric_limits<double>::quiet_NaN(), 100.0));
    EXPECT_EQ(run.history().size(), 2u) << "a frame without finite offsets is not recorded";

    run.start();
    EXPECT_EQ(run.history().size(), 0u) << "Start empties the history";
    run.stop();
    EXPECT_FALSE(run.step(1.0, 100.0, 100.0));
}

TEST_F(GuidingRunTest, ADisabledAxisMeasuresItsDriftAndGraphsTheResidual)
{
    run.setAxisEnabled(V, false);
    run.start();
    ASSERT_TRUE(run.step(0.0, 100.0, 102.0));
    EXPECT_EQ(run.driftRateText(V), "0.0000") << "one record: no slope, 0 shown";
    for (int i = 1; i < 20; ++i) {
        const double t = i * 0.5;
        const std::optional<GuidingStep> step = run.step(t, 100.0, 102.0 + 0.25 * t + (i % 2 ? 0.1 : -0.1));
        ASSERT_TRUE(step);
        // Horizontal pulses every 10th frame (a zero-length West one); vertical never.
        const bool tenth = i == 9 || i == 19;
        ASSERT_EQ(step->pulses.size(), tenth ? 1u : 0u) << i;
        if (tenth) {
            EXPECT_EQ(step->pulses[0], (GuidePulse{GuideDirection::West, 0}));
        }
    }
    EXPECT_NEAR(run.driftRate(V), 0.25, 0.01);
    EXPECT_EQ(run.driftRateText(V).substr(0, 4), "0.25");
    const std::span<const double> residual = run.graphSeries(V);
    ASSERT_EQ(residual.size(), 20u);
    for (double r : residual.first(19)) // all but the oldest record, which sits on the line
        EXPECT_NEAR(std::abs(r), 0.1, 0.02);
    EXPECT_EQ(run.graphSeries(H).data(), run.history().filtered(0).data()) << "enabled: the filtered series";
    EXPECT_FALSE(run.display(H).driftRate);

    run.setAxisEnabled(V, true);
    EXPECT_EQ(run.driftRateText(V), "") << "enabling blanks the drift rate";
    EXPECT_EQ(run.graphSeries(V).size(), 20u);
}

TEST_F(GuidingRunTest, TogglingAnAxisMidRunRestartsItsIntegralAndAveraging)
{
    everyFrame(H, 3);
    AxisSettings settings = run.controller().axis(H).settings();
    settings.integralTenths = 10;
    run.controller().axis(H).setSettings(settings);
    run.start();
    run.step(0.1, 102.0, 100.0);
    run.step(0.2, 102.0, 100.0);
    ASSERT_TRUE(run.step(0.3, 102.0, 100.0)->axes[0].corrected);
    run.step(0.4, 102.0, 100.0);
    EXPECT_EQ(run.controller().axis(H).frameCounter(), 1);
    EXPECT_NE(run.controller().axis(H).integral(), 0.0);

    run.setAxisEnabled(H, false);
    EXPECT_FALSE(run.display(H).outputMs) << "disabling blanks the output";
    run.setAxisEnabled(H, true);
    EXPECT_EQ(run.controller().axis(H).frameCounter(), 0);
    EXPECT_EQ(run.controller().axis(H).integral(), 0.0);
    EXPECT_FALSE(run.step(0.5, 102.0, 100.0)->axes[0].corrected);
    EXPECT_FALSE(run.step(0.6, 102.0, 100.0)->axes[0].corrected);
    const std::optional<GuidingStep> third = run.step(0.7, 102.0, 100.0);
    ASSERT_TRUE(third->axes[0].corrected) << "three fresh frames again";
    EXPECT_EQ(third->axes[0].outputMs, -(200 + 2)) << "Kp·e + Ki·I with I counted from the toggle";
}

} // namespace
} // namespace velmora::client
