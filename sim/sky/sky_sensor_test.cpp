#include "sim/sky/sky_sensor.h"

#include "sim/sky/recorded_input_lines.h"
#include "sim/sky/test_line_record.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
using TimePoint = SkySensor::TimePoint;
using testing::LineRecord;

const TimePoint t0 = TimePoint{} + 1h;
constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr std::size_t kStride = 3 * kWidth + 4;

SkyParameters oneStar()
{
    SkyParameters p;
    p.stars = 1;
    p.driftRa = p.driftDec = 0;
    p.peAmplitude = 0;
    p.seeing = 0;
    p.noise = 0;
    p.bestFocus = 500;
    return p;
}

struct Frame {
    std::vector<std::uint8_t> bytes = std::vector<std::uint8_t>(kStride * kHeight, 0xEE);
    int at(int x, int y) const { return bytes[kStride * y + 3 * x + 1]; }

    // Background-subtracted moments of the star within `radius` of (cx, cy).
    struct Moments {
        double x, y, sigma, signal;
    };
    Moments star(double cx, double cy, int radius, double background) const
    {
        double sum = 0, sx = 0, sy = 0, sxx = 0;
        for (int y = int(cy) - radius; y <= int(cy) + radius; ++y) {
            for (int x = int(cx) - radius; x <= int(cx) + radius; ++x) {
                const double v = at(x, y) - background;
                sum += v;
                sx += v * x;
                sy += v * y;
                sxx += v * (x - cx) * (x - cx);
            }
        }
        return {sx / sum, sy / sum, std::sqrt(sxx / sum), sum};
    }
    long total() const
    {
        long t = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x)
                t += at(x, y);
        return t;
    }
};

TEST(SkySensorGuiding, APulseHeldOnTheParallelPortMovesTheStarInTheFramesThatFollow)
{
    SkyModel model(oneStar(), t0);
    // The telescope's default words on the port: North line 7, South 6, East 5, West 4.
    LineRecord port(0x0F);
    const MappedLineInputs guide = port.inputs({{7, true}, {6, true}, {5, true}, {4, true}});
    model.connectGuideInputs(&guide);
    SkySensor sensor(model, 200ms, 1);
    Frame before;
    sensor.capture(t0 + 200ms, kWidth, kHeight, before.bytes.data(), kStride);
    const auto start = before.star(160, 120, 8, 20);
    EXPECT_NEAR(start.x, 160.0, 0.02);
    EXPECT_NEAR(start.y, 120.0, 0.02);

    port.set(0x1F, t0 + 300ms); // West for 1.5 s
    port.set(0x0F, t0 + 1800ms);
    port.set(0x4F, t0 + 1900ms); // then South for 0.6 s
    port.set(0x0F, t0 + 2500ms);
    Frame after;
    for (int frame = 2; frame <= 14; ++frame)
        sensor.capture(t0 + frame * 200ms, kWidth, kHeight, after.bytes.data(), kStride);
    const double west = 7.5 * 1.5 / 1.15;
    const double south = 7.5 * 0.6 / 1.15;
    const auto moved = after.star(160 - west, 120 - south, 8, 20);
    EXPECT_NEAR(moved.x, 160.0 - west, 0.05);
    EXPECT_NEAR(moved.y, 120.0 - south, 0.05);
    // The padding after each row is left alone.
    EXPECT_EQ(after.bytes[3 * kWidth], 0xEE);
}

TEST(SkySensorFocus, StarsWidenWithDistanceFromBestFocus)
{
    SkyModel model(oneStar(), t0);
    struct Focuser : FocuserInput {
        int position() override { return steps; }
        int steps = 500;
    } focuser;
    model.connectFocuser(&focuser);
    SkySensor sensor(model, 200ms, 1);
    double previous = 0.0;
    double flux = 0.0;
    for (int steps : {500, 550, 600, 700}) {
        focuser.steps = steps;
        Frame frame;
        sensor.capture(t0 + 1s, kWidth, kHeight, frame.bytes.data(), kStride);
        const double sigma = 1.5 + 0.02 * (steps - 500);
        const auto m = frame.star(160, 120, static_cast<int>(std::ceil(6 * sigma)), 20);
        // Whole levels lose the faint wings of a wide star: it measures a little narrow.
        EXPECT_NEAR(m.sigma, sigma, (steps <= 600 ? 0.04 : 0.08) * sigma) << steps;
        EXPECT_GT(m.sigma, previous);
        previous = m.sigma;
        if (flux == 0.0)
            flux = m.signal;
        EXPECT_NEAR(m.signal, flux, 0.05 * flux) << steps; // the light is spread, not lost
    }
}

TEST(SkySensorExposure, IntegratesWhileTheLinesAreActiveAndReleasesAtOnce)
{
    SkyModel model(oneStar(), t0);
    // Out of focus, so that two and a half frames of light stay below saturation.
    struct Focuser : FocuserInput {
        int position() override { return 600; }
    } focuser;
    model.connectFocuser(&focuser);
    RecordedInputLines exposure;
    model.connectExposureInputs(&exposure);
    SkySensor sensor(model, 200ms, 1);
    Frame normal;
    EXPECT_EQ(sensor.capture(t0 + 200ms, kWidth, kHeight, normal.bytes.data(), kStride),
              SkySensor::FrameKind::Normal);
    const double normalSignal = normal.star(160, 120, 20, 20).signal;

    // A 500 ms exposure from 220 ms (the camera's first frame plus 20 ms) to 720 ms.
    exposure.set(kExposureActive, t0 + 220ms);
    exposure.set(0, t0 + 720ms);
    std::vector<Frame> frames(6);
    std::vector<SkySensor::FrameKind> kinds;
    for (int i = 0; i < 6; ++i)
        kinds.push_back(
            sensor.capture(t0 + (i + 2) * 200ms, kWidth, kHeight, frames[i].bytes.data(), kStride));
    using K = SkySensor::FrameKind;
    EXPECT_EQ(kinds, (std::vector<K>{K::Integrating, K::Integrating, K::Integrated, K::Normal, K::Normal,
                                     K::Normal}));
    EXPECT_EQ(frames[0].total(), 0); // no light reaches the output while integrating (no noise here)
    EXPECT_DOUBLE_EQ(sensor.lastGain(), 1.0);
    const auto integrated = frames[2].star(160, 120, 20, 20 * 2.5);
    EXPECT_NEAR(integrated.signal, 2.5 * normalSignal, 0.03 * normalSignal * 2.5);
    // The camera's brightest of the five frames after the sequence is the integrated one.
    for (int i = 3; i < 6; ++i)
        EXPECT_GT(frames[2].total(), frames[i].total());
}

TEST(SkySensorNoise, TheSameSeedGivesTheSameFrames)
{
    // Everything random at once: several stars, seeing, noise.
    SkyParameters p;
    p.seed = 7;
    auto frames = [&p] {
        SkyModel model(p, t0);
        SkySensor sensor(model, 200ms, model.nextSensorSeed());
        std::vector<Frame> out(3);
        for (int i = 0; i < 3; ++i)
            sensor.capture(t0 + (i + 1) * 200ms, kWidth, kHeight, out[i].bytes.data(), kStride);
        return out;
    };
    const std::vector<Frame> first = frames();
    const std::vector<Frame> again = frames();
    p.seed = 8;
    const std::vector<Frame> other = frames();
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(first[i].bytes, again[i].bytes) << i;
        EXPECT_NE(first[i].bytes, other[i].bytes) << i;
    }
    EXPECT_NE(first[0].bytes, first[1].bytes); // seeing and noise change from frame to frame
}

TEST(SkySensorNoise, SeededNoiseHasItsRmsAndRepeats)
{
    SkyParameters p = oneStar();
    p.noise = 300;
    SkyModel model(p, t0);
    SkySensor a(model, 200ms, 42);
    SkySensor b(model, 200ms, 42);
    SkySensor c(model, 200ms, 43);
    Frame fa, fb, fc;
    a.capture(t0 + 200ms, kWidth, kHeight, fa.bytes.data(), kStride);
    b.capture(t0 + 200ms, kWidth, kHeight, fb.bytes.data(), kStride);
    c.capture(t0 + 200ms, kWidth, kHeight, fc.bytes.data(), kStride);
    EXPECT_EQ(fa.bytes, fb.bytes);
    EXPECT_NE(fa.bytes, fc.bytes);
    double sum = 0, sum2 = 0;
    int n = 0;
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 60; ++x, ++n) {
            sum += fa.at(x, y);
            sum2 += fa.at(x, y) * fa.at(x, y);
        }
    const double mean = sum / n;
    EXPECT_NEAR(mean, 20.0, 0.2);
    EXPECT_NEAR(std::sqrt(sum2 / n - mean * mean), 3.0, 0.2);
}

} // namespace
} // namespace velmora::sim
