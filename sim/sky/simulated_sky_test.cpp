// The sky wired to the simulated hardware: guide lines held on LPT1 or the relay box
// move the mount, the exposure line makes the sensor integrate, the KF-3 motor focuses;
// at the shipped defaults the first frame shows sharp stars.
#include "sim/sky/simulated_sky.h"

#include "platform/ports/parallel_io.h"
#include "platform/ports/system_port_devices.h"
#include "platform/video/frame_sink.h"
#include "sim/sky/manual_sim_clock.h"
#include "sim/sky/sky_simulator_source.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;

// What a frame shows, in grey levels (the sky simulator's pixels are grey).
struct FrameView {
    double mean = 0.0;
    int peak = 0;
    // Local maxima (each the brightest of the 7 x 7 pixels around it) above `threshold`.
    int starsAbove = 0;
};

class FrameMeasure : public platform::FrameSink {
public:
    explicit FrameMeasure(double threshold) : m_threshold(threshold) {}
    void deliverFrame(const platform::VideoFrame& frame) override
    {
        m_width = frame.width;
        m_height = frame.height;
        m_levels.clear();
        for (int y = 0; y < frame.height; ++y)
            for (int x = 0; x < frame.width; ++x)
                m_levels.push_back(frame.data[frame.stride * y + 3 * x + 1]);
    }
    FrameView view() const
    {
        FrameView v;
        double sum = 0.0;
        for (int y = 0; y < m_height; ++y)
            for (int x = 0; x < m_width; ++x) {
                sum += level(x, y);
                v.peak = std::max(v.peak, level(x, y));
                v.starsAbove += level(x, y) > m_threshold && isLocalMaximum(x, y) ? 1 : 0;
            }
        v.mean = m_levels.empty() ? 0.0 : sum / static_cast<double>(m_levels.size());
        return v;
    }

private:
    int level(int x, int y) const { return m_levels[static_cast<std::size_t>(y) * m_width + x]; }
    // A plateau counts once: at its first pixel in row order.
    bool isLocalMaximum(int x, int y) const
    {
        constexpr int kReach = 3;
        for (int ny = std::max(y - kReach, 0); ny <= std::min(y + kReach, m_height - 1); ++ny)
            for (int nx = std::max(x - kReach, 0); nx <= std::min(x + kReach, m_width - 1); ++nx) {
                const bool before = ny < y || (ny == y && nx < x);
                if (before ? level(nx, ny) >= level(x, y) : level(nx, ny) > level(x, y))
                    return false;
            }
        return true;
    }

    double m_threshold;
    int m_width = 0;
    int m_height = 0;
    std::vector<int> m_levels;
};

// A still sky: only guiding moves it.
SkyParameters stillSky(int rotation = 0)
{
    SkyParameters p;
    p.driftRa = p.driftDec = 0;
    p.peAmplitude = 0;
    p.seeing = 0;
    p.rotation = rotation;
    return p;
}

class SimulatedSkyTest : public ::testing::Test {
protected:
    SimulatedParallelPort& lpt1() { return *ports.parallel().port(platform::kLpt1DataAddress); }
    void relay(const char* command)
    {
        for (const char* c = command; *c; ++c)
            ports.relayBox().onByte(*c);
    }
    // The pointing error now, in pixels.
    std::pair<double, double> pixels(SkyModel& model)
    {
        double dx = 0.0;
        double dy = 0.0;
        model.toPixels(model.pointingAt(clock.now()), dx, dy);
        return {dx, dy};
    }

    velmora::testing::TempHome home;
    ManualSimClock clock;
    platform::SystemPortDevices devices;
    SimulatorPorts ports{devices, [this] { return clock.now(); }};
    // 0.5 x 15''/s for one second at 1.15''/pixel.
    const double pixelsPerSecond = 7.5 / 1.15;
};

TEST_F(SimulatedSkyTest, GuideLinesOnTheParallelPortAndTheRelayBoxMoveTheMount)
{
    SimulatedSky sky(ports, clock, stillSky());
    SkyModel& model = sky.model();
    lpt1().writeData(0x0F); // a camera's rest word; guide lines at rest
    clock.advance(1s);
    lpt1().writeData(0x0F | 0x10); // line 4: West
    clock.advance(2s);
    lpt1().writeData(0x0F);
    clock.advance(1s);
    auto [dx, dy] = pixels(model);
    EXPECT_NEAR(dx, -2 * pixelsPerSecond, 1e-9);
    EXPECT_NEAR(dy, 0.0, 1e-9);

    relay("8+"); // output 8 is line 7: North
    clock.advance(500ms);
    relay("8-");
    relay("7+"); // South, for a quarter of a second
    clock.advance(250ms);
    relay("7-");
    clock.advance(1s);
    std::tie(dx, dy) = pixels(model);
    EXPECT_NEAR(dx, -2 * pixelsPerSecond, 1e-9);
    EXPECT_NEAR(dy, 0.25 * pixelsPerSecond, 1e-9);
}

TEST_F(SimulatedSkyTest, GuidingFollowsTheCameraRotationAndTheConfiguredLines)
{
    // Rotated 90 degrees, with East on line 0 active low.
    SimulatedSky::GuideLines lines = SimulatedSky::kDefaultGuideLines;
    lines[2] = {0, false};
    SimulatedSky sky(ports, clock, stillSky(9000), lines);
    lpt1().writeData(0x01);
    clock.advance(1s);
    lpt1().writeData(0x00);
    clock.advance(1s);
    lpt1().writeData(0x01);
    const auto [dx, dy] = pixels(sky.model());
    EXPECT_NEAR(dx, 0.0, 1e-9);
    EXPECT_NEAR(dy, pixelsPerSecond, 1e-9);
}

TEST_F(SimulatedSkyTest, TheExposureLineCountsOnlyAfterItsRestWord)
{
    SimulatedSky sky(ports, clock, stillSky());
    // A register that powers up at 0 has line 0 at its active level, but never at rest yet.
    clock.advance(1s);
    EXPECT_FALSE(sky.model().exposureActiveAt(clock.now()));
    lpt1().writeData(0x0F);
    clock.advance(1s);
    const auto from = clock.now();
    lpt1().writeData(0x0E);
    clock.advance(300ms);
    EXPECT_TRUE(sky.model().exposureActiveAt(clock.now()));
    lpt1().writeData(0x0F);
    clock.advance(100ms);
    EXPECT_FALSE(sky.model().exposureActiveAt(clock.now()));
    EXPECT_EQ(sky.model().exposureActiveDuring(from, clock.now()), 300ms);
}

TEST_F(SimulatedSkyTest, TheFocuserMotorSetsTheStarWidth)
{
    SkyParameters p = stillSky();
    p.bestFocus = 500;
    SimulatedSky sky(ports, clock, p);
    // The motor starts at 0, 500 steps from best focus.
    EXPECT_NEAR(sky.model().starSigma(), p.starSigmaPixels() + 500 * p.blurPerStep(), 1e-9);
    EXPECT_EQ(ports.focuser().handleCommand("!Mg1P0000500"), "Ok");
    clock.advance(10s);
    EXPECT_EQ(ports.focuser().position(), 500);
    EXPECT_NEAR(sky.model().starSigma(), p.starSigmaPixels(), 1e-9);
}

TEST_F(SimulatedSkyTest, FocuserBacklashIsPlayBetweenTheMotorAndTheStars)
{
    SkyParameters p = stillSky();
    p.bestFocus = 470;
    p.focuserBacklash = 30;
    SimulatedSky sky(ports, clock, p);
    auto away = [&] { return (sky.model().starSigma() - p.starSigmaPixels()) / p.blurPerStep(); };
    ports.focuser().handleCommand("!Mg1P0000500");
    clock.advance(10s);
    EXPECT_NEAR(away(), 0.0, 1e-6) << "on the way up the optics are 30 steps behind: at 470";
    ports.focuser().handleCommand("!Mg1P0000480");
    clock.advance(10s);
    EXPECT_NEAR(away(), 0.0, 1e-6) << "20 steps back: still in the play";
    ports.focuser().handleCommand("!Mg1P0000400");
    clock.advance(10s);
    EXPECT_NEAR(away(), 70.0, 1e-6) << "pushed down to 400";
}

TEST_F(SimulatedSkyTest, AtTheShippedDefaultsTheFirstFrameShowsSharpStarsWellAboveTheNoise)
{
    const SkyParameters defaults = SkyParameters::load(); // nothing stored in this home
    ASSERT_EQ(defaults, SkyParameters{});
    SimulatedSky sky(ports, clock, defaults);
    // The KF-3 emulator's motor starts at best focus.
    EXPECT_EQ(ports.focuser().position(), defaults.bestFocus);
    EXPECT_DOUBLE_EQ(sky.model().starSigma(), defaults.starSigmaPixels());

    // One frame of the device in its default format: what a zero-length exposure of one
    // frame converts.
    clock.setAutoAdvance(true);
    auto source =
        sky.captureBackend().open({SkySimulatorBackend::kDeviceName, SkySimulatorBackend::kDeviceId},
                                  SkySimulatorSource::kDefaultFormat);
    ASSERT_TRUE(source);
    ASSERT_TRUE(source->startStreaming());
    // Six noise sigmas: no pixel of sky alone gets there in a frame.
    FrameMeasure measure(defaults.background + 6 * defaults.noiseLevel());
    ASSERT_EQ(source->deliverNext(measure, {}), platform::FrameResult::Delivered);
    const FrameView view = measure.view();
    EXPECT_GE(view.peak, 3 * view.mean) << "mean " << view.mean;
    EXPECT_GE(view.peak, 150);
    EXPECT_GE(view.starsAbove, 3);
    EXPECT_LE(view.starsAbove, defaults.stars);
}

} // namespace
} // namespace velmora::sim
