#include "sim/sky/sky_model.h"

#include "sim/sky/recorded_input_lines.h"

#include <gtest/gtest.h>

#include <cmath>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
using TimePoint = SkyModel::TimePoint;

const TimePoint t0 = TimePoint{} + 1h;

// A still sky: no drift, no periodic error, no seeing.
SkyParameters stillSky()
{
    SkyParameters p;
    p.driftRa = p.driftDec = 0;
    p.peAmplitude = 0;
    p.seeing = 0;
    return p;
}

struct PixelMove {
    double dx;
    double dy;
};

// The star's displacement in pixels after `direction` is held from t0 + 1 s for `held`.
PixelMove moveAfter(unsigned direction, std::chrono::milliseconds held, int rotation = 0)
{
    SkyParameters p = stillSky();
    p.rotation = rotation;
    SkyModel model(p, t0);
    RecordedInputLines guide;
    model.connectGuideInputs(&guide);
    guide.set(direction, t0 + 1s);
    guide.set(0, t0 + 1s + held);
    PixelMove move{};
    model.toPixels(model.pointingAt(t0 + 10s), move.dx, move.dy);
    return move;
}

TEST(SkyModelGuiding, AHeldInputMovesAtTheGuideRateAlongTheCameraAxes)
{
    // 0.5 x 15''/s for 2 s = 15'', at 1.15''/pixel.
    const double pixels = 0.5 * 15.0 * 2.0 / 1.15;
    const PixelMove west = moveAfter(kGuideWest, 2s);
    EXPECT_NEAR(west.dx, -pixels, 1e-9);
    EXPECT_NEAR(west.dy, 0.0, 1e-9);
    const PixelMove east = moveAfter(kGuideEast, 2s);
    EXPECT_NEAR(east.dx, pixels, 1e-9);
    const PixelMove south = moveAfter(kGuideSouth, 2s);
    EXPECT_NEAR(south.dx, 0.0, 1e-9);
    EXPECT_NEAR(south.dy, -pixels, 1e-9);
    const PixelMove north = moveAfter(kGuideNorth, 2s);
    EXPECT_NEAR(north.dy, pixels, 1e-9);
    const PixelMove both = moveAfter(kGuideEast | kGuideWest, 2s);
    EXPECT_NEAR(both.dx, 0.0, 1e-9);
}

TEST(SkyModelGuiding, RotationTurnsBothAxes)
{
    const double pixels = 0.5 * 15.0 * 0.8 / 1.15;
    const double a = 30.0 * 3.14159265358979323846 / 180.0;
    const PixelMove east = moveAfter(kGuideEast, 800ms, 3000);
    EXPECT_NEAR(east.dx, pixels * std::cos(a), 1e-9);
    EXPECT_NEAR(east.dy, pixels * std::sin(a), 1e-9);
    const PixelMove north = moveAfter(kGuideNorth, 800ms, 3000);
    EXPECT_NEAR(north.dx, -pixels * std::sin(a), 1e-9);
    EXPECT_NEAR(north.dy, pixels * std::cos(a), 1e-9);
}

TEST(SkyModelGuiding, PulsesCountToTheirRecordedTimesNotToFrameTimes)
{
    SkyModel model(stillSky(), t0);
    RecordedInputLines guide;
    model.connectGuideInputs(&guide);
    guide.set(kGuideNorth, t0 + 500ms);
    guide.set(0, t0 + 1200ms);
    // Looked at mid-pulse, then after it: 700 ms of motion in all, however it is sampled.
    EXPECT_NEAR(model.pointingAt(t0 + 1s).north, 7.5 * 0.5, 1e-9);
    EXPECT_NEAR(model.pointingAt(t0 + 2s).north, 7.5 * 0.7, 1e-9);
    EXPECT_NEAR(model.pointingAt(t0 + 1500ms).north, 7.5 * 0.7, 1e-9); // an earlier look changes nothing
    EXPECT_NEAR(model.guideMotion().north, 7.5 * 0.7, 1e-9);
}

TEST(SkyModelMount, DriftAndPeriodicError)
{
    SkyParameters p;
    p.seeing = 0;
    p.driftDec = 600; // 6''/min; and the default PE, 5'' over 120 s
    SkyModel model(p, t0);
    const SkyOffset at30 = model.pointingAt(t0 + 30s);
    EXPECT_NEAR(at30.north, 3.0, 1e-9);
    EXPECT_NEAR(at30.east, 5.0, 1e-9); // a quarter of the period: the full amplitude
    const SkyOffset at60 = model.pointingAt(t0 + 60s);
    EXPECT_NEAR(at60.north, 6.0, 1e-9);
    EXPECT_NEAR(at60.east, 0.0, 1e-9);
    p.pePeriod = 0;
    SkyModel noPe(p, t0);
    EXPECT_NEAR(noPe.pointingAt(t0 + 30s).east, 0.0, 1e-12);
}

TEST(SkyModelStars, SeedDecidesLayoutAndSeeing)
{
    SkyParameters p;
    p.stars = 6;
    SkyModel a(p, t0);
    SkyModel b(p, t0);
    p.seed = 2;
    SkyModel c(p, t0);
    const auto starsA = a.starsInFrame(640, 480, {}, 1.5);
    const auto starsB = b.starsInFrame(640, 480, {}, 1.5);
    const auto starsC = c.starsInFrame(640, 480, {}, 1.5);
    ASSERT_EQ(starsA.size(), 6u);
    EXPECT_DOUBLE_EQ(starsA[0].x, 320.0); // the brightest star on the centre
    EXPECT_DOUBLE_EQ(starsA[0].y, 240.0);
    bool differs = false;
    for (std::size_t i = 1; i < starsA.size(); ++i) {
        EXPECT_DOUBLE_EQ(starsA[i].x, starsB[i].x);
        EXPECT_DOUBLE_EQ(starsA[i].flux, starsB[i].flux);
        EXPECT_LT(std::abs(starsA[i].x - 320.0), SkyModel::kFieldRadiusPixels + 1e-9);
        differs = differs || starsA[i].x != starsC[i].x;
    }
    EXPECT_TRUE(differs);
    for (int i = 0; i < 5; ++i) {
        const SkyOffset sa = a.seeingSample();
        const SkyOffset sb = b.seeingSample();
        EXPECT_DOUBLE_EQ(sa.east, sb.east);
        EXPECT_DOUBLE_EQ(sa.north, sb.north);
    }
}

TEST(SkyModelStars, SeeingHasItsRms)
{
    SkyParameters p;
    p.seeing = 50; // 0.5'' RMS
    SkyModel model(p, t0);
    double sum2 = 0.0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        const SkyOffset s = model.seeingSample();
        sum2 += s.east * s.east + s.north * s.north;
    }
    EXPECT_NEAR(std::sqrt(sum2 / (2 * n)), 0.5, 0.01);
}

class FixedFocuser : public FocuserInput {
public:
    int position() override { return steps; }
    int steps = 500;
};

TEST(SkyModelStars, StarsWidenAwayFromBestFocusKeepingTheirFlux)
{
    SkyParameters p;
    p.bestFocus = 500;
    SkyModel model(p, t0);
    EXPECT_DOUBLE_EQ(model.starSigma(), 1.5); // no focuser: in focus
    FixedFocuser focuser;
    model.connectFocuser(&focuser);
    EXPECT_DOUBLE_EQ(model.starSigma(), 1.5);
    focuser.steps = 400;
    EXPECT_DOUBLE_EQ(model.starSigma(), 3.5);
    focuser.steps = 750;
    EXPECT_DOUBLE_EQ(model.starSigma(), 6.5);
    const auto sharp = model.starsInFrame(640, 480, {}, 1.5);
    const auto blurred = model.starsInFrame(640, 480, {}, 6.5);
    EXPECT_DOUBLE_EQ(sharp[0].flux, blurred[0].flux);
    EXPECT_NEAR(sharp[0].flux / (2 * 3.14159265358979323846 * 1.5 * 1.5), SkyModel::kBrightestPeak, 1e-9);
}

TEST(SkyModelExposure, ActiveTimeWithinAnInterval)
{
    SkyModel model(SkyParameters{}, t0);
    EXPECT_FALSE(model.exposureActiveAt(t0));
    RecordedInputLines exposure;
    model.connectExposureInputs(&exposure);
    exposure.set(kExposureActive, t0 + 120ms);
    exposure.set(0, t0 + 370ms);
    EXPECT_TRUE(model.exposureActiveAt(t0 + 200ms));
    EXPECT_FALSE(model.exposureActiveAt(t0 + 370ms));
    EXPECT_EQ(model.exposureActiveDuring(t0, t0 + 200ms), 80ms);
    EXPECT_EQ(model.exposureActiveDuring(t0 + 200ms, t0 + 1s), 170ms);
}

TEST(SkyParametersTest, OutOfRangeValuesAreClamped)
{
    SkyParameters p;
    p.stars = 1000;
    p.imageScale = 0;
    p.seeing = -3;
    p.background = 999;
    const SkyParameters c = p.clamped();
    EXPECT_EQ(c.stars, 50);
    EXPECT_EQ(c.imageScale, 1);
    EXPECT_EQ(c.seeing, 0);
    EXPECT_EQ(c.background, 255);
    EXPECT_EQ(SkyParameters{}.clamped(), SkyParameters{});
}

} // namespace
} // namespace velmora::sim
