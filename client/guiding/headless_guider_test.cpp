#include "client/guiding/headless_guider.h"

#include "client/devices/fake_drivers.h"
#include "client/guiding/loop_clock.h"
#include "client/guiding/read_only_settings_store.h"
#include "client/guiding/star_selector.h"
#include "client/image/frame_pipeline.h"
#include "client/image/synthetic_star_field.h"
#include "client/shell/memory_settings_store.h"
#include "platform/automation/apartment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <sstream>

namespace velmora::client {
namespace {

// Milliseconds that pass only when the guider waits; each wait lets the pulses
// already posted reach the telescope first, as they would in real time.
class SimulatedClock : public LoopClock {
public:
    std::int64_t counter() const override { return now; }
    std::int64_t frequency() const override { return 1000; }
    void sleepFor(std::chrono::milliseconds duration) override
    {
        if (guider != nullptr)
            guider->waitForPulses(std::chrono::seconds(5));
        now += duration.count();
    }
    std::int64_t now = 1000000;
    HeadlessGuider* guider = nullptr;
};

// A star that drifts, swings with a periodic error and moves with the guide pulses.
struct Sky {
    static constexpr double kGuideSpeedArcsecPerSecond = 7.5; // guide rate 0.5
    static constexpr double kArcsecPerPixel = 0.20626480648278825 * 5.6;

    double driftX = 0.02; // pixels per second
    double driftY = -0.015;
    double swing = 1.5;    // periodic error amplitude, pixels
    double period = 480.0; // seconds, a worm turn
    std::mutex lock;
    double pulsedX = 0.0;
    double pulsedY = 0.0;

    void pulse(int direction, int ms)
    {
        const double pixels = ms * kGuideSpeedArcsecPerSecond / 1000.0 / kArcsecPerPixel;
        std::lock_guard guard(lock);
        (direction < 2 ? pulsedY : pulsedX) += direction == 0 || direction == 2 ? pixels : -pixels;
    }
    GaussianStar starAt(double seconds)
    {
        std::lock_guard guard(lock);
        return {80.0 + driftX * seconds + swing * std::sin(2 * M_PI * seconds / period) + pulsedX,
                60.0 + driftY * seconds + pulsedY, 3.0, 20000.0};
    }
};

class HeadlessGuiderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        drivers = std::make_unique<fakes::FakeDrivers>("Fake.Headless", settings);
        settings.writeInt("Exposure", "Exposure Time", 100);
        settings.writeInt("Hardware", "Digit Capacity", 16);
        drivers->camera.geometry = {160, 120, 1};
        drivers->camera.onStart = [this] { exposureStart = clock.now; };
        drivers->camera.ready = [this] { return clock.now >= exposureStart + 1000; };
        drivers->camera.render = [this](std::vector<std::int32_t>& samples, const FrameGeometry&) {
            const GaussianStar star = sky.starAt((clock.now - 1000000) / 1000.0);
            samples = field.render(1000.0, std::span(&star, 1), true);
        };
        drivers->telescope.onPulse = [this](const fakes::PulseCall& call) {
            sky.pulse(call.direction, call.durationMs);
        };
    }
    void TearDown() override
    {
        drivers.reset();
        CoUninitialize();
    }
    int runGuider(HeadlessOptions options, const std::function<bool()>& stop = {})
    {
        ReadOnlySettingsStore readOnly(settings);
        HeadlessGuider guider(std::move(options), readOnly, clock, out, err);
        clock.guider = &guider;
        const int status = guider.run(stop);
        clock.guider = nullptr;
        rmsTotal = guider.summary().rmsTotal();
        frames = guider.summary().frames();
        return status;
    }
    std::vector<std::string> outputLines() const
    {
        std::vector<std::string> lines;
        std::istringstream stream(out.str());
        for (std::string line; std::getline(stream, line);)
            lines.push_back(line);
        return lines;
    }

    std::unique_ptr<fakes::FakeDrivers> drivers;
    MemorySettingsStore settings;
    SimulatedClock clock;
    Sky sky;
    SyntheticStarField field{160, 120, 1, 5};
    std::int64_t exposureStart = 0;
    std::ostringstream out;
    std::ostringstream err;
    double rmsTotal = 0.0;
    std::size_t frames = 0;
};

TEST_F(HeadlessGuiderTest, GuidingWithDefaultGainsCutsTheDriftAndPeriodicError)
{
    HeadlessOptions unguided;
    unguided.lock = true;
    unguided.noGuide = true;
    unguided.frames = 240;
    ASSERT_EQ(runGuider(unguided), 0) << err.str();
    EXPECT_EQ(frames, 240u);
    EXPECT_TRUE(drivers->telescope.pulses().empty()) << "--no-guide sends nothing";
    const double unguidedRms = rmsTotal;

    sky.pulsedX = sky.pulsedY = 0.0;
    clock.now = 1000000;
    HeadlessOptions guided;
    guided.lock = true;
    guided.frames = 240;
    ASSERT_EQ(runGuider(guided), 0) << err.str();
    EXPECT_EQ(frames, 240u);
    EXPECT_GT(drivers->telescope.pulses().size(), 40u);
    EXPECT_LT(rmsTotal, unguidedRms / 3) << "guided " << rmsTotal << "'' against " << unguidedRms << "''";
    RecordProperty("unguided_rms", std::to_string(unguidedRms));
    RecordProperty("guided_rms", std::to_string(rmsTotal));
}

TEST_F(HeadlessGuiderTest, PrintsOneObjectPerGuidedFrameAndASummaryThenDisconnects)
{
    HeadlessOptions options;
    options.lock = true;
    options.frames = 12;
    settings.writeInt("Guiding", "Frame X", 1);
    settings.writeInt("Guiding", "Frame Y", 1);
    ASSERT_EQ(runGuider(options), 0) << err.str();
    const std::vector<std::string> lines = outputLines();
    ASSERT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[0].rfind("{\"frame\":1,\"t\":1.0", 0), 0u) << lines[0] << ": timed from Start";
    EXPECT_NE(lines[0].find("\"pulses\":[{\"direction\":\""), std::string::npos) << lines[0];
    EXPECT_EQ(lines[11].rfind("{\"frame\":12,", 0), 0u);
    EXPECT_EQ(lines[12].rfind("{\"frames\":12,\"rms_h\":", 0), 0u) << lines[12];
    for (const char* key : {"rms_v", "rms_total", "peak_h", "peak_v", "drift_h", "drift_v"})
        EXPECT_NE(lines[12].find(std::string("\"") + key + "\":"), std::string::npos) << key;
    EXPECT_EQ(drivers->telescope.pulses().size(), 24u) << "both axes, every frame";
    EXPECT_FALSE(drivers->camera.connected);
    EXPECT_FALSE(drivers->telescope.connected);
    EXPECT_NE(err.str().find("guide star at"), std::string::npos);
    EXPECT_EQ(settings.readInt("Guiding", "Reference Color 1-0", -1), -1) << "the settings are only read";
}

TEST_F(HeadlessGuiderTest, StopsAfterItsTimeOrWhenAsked)
{
    HeadlessOptions timed;
    timed.seconds = 10.0;
    timed.lock = true;
    ASSERT_EQ(runGuider(timed), 0);
    EXPECT_EQ(clock.now - 1000000, 10020) << "the first tick at or past 10 s";
    EXPECT_GE(frames, 7u);
    EXPECT_LE(frames, 9u);
    EXPECT_NE(drivers->camera.log.rfind("AbortExposure;Connected=i2:0;"), std::string::npos)
        << drivers->camera.log;

    int polls = 0;
    HeadlessOptions endless;
    ASSERT_EQ(runGuider(endless, [&polls] { return ++polls > 30; }), 0);
    EXPECT_EQ(polls, 31);
    EXPECT_FALSE(drivers->camera.connected);
}

TEST_F(HeadlessGuiderTest, MissingDriversOrStarEndTheSessionWithAReason)
{
    settings.writeString("Drivers", "Telescope", "Missing.Telescope");
    HeadlessOptions options;
    options.frames = 3;
    EXPECT_EQ(runGuider(options), 1);
    EXPECT_NE(err.str().find("no telescope driver: 'Missing.Telescope'"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(drivers->camera.connected) << "what was bound is released again";

    options.noGuide = true; // drift measurement needs no telescope
    EXPECT_EQ(runGuider(options), 0) << err.str();
    EXPECT_EQ(frames, 3u);

    drivers->camera.render = [](std::vector<std::int32_t>& samples, const FrameGeometry&) {
        std::fill(samples.begin(), samples.end(), 500);
    };
    EXPECT_EQ(runGuider(options), 1);
    EXPECT_NE(err.str().find("no guide star"), std::string::npos);

    drivers->camera.startResult = E_FAIL;
    EXPECT_EQ(runGuider(options), 1);
    EXPECT_NE(err.str().find("refuses to start exposures"), std::string::npos);

    settings.writeString("Drivers", "Camera", "Missing.Camera");
    EXPECT_EQ(runGuider(options), 1);
    EXPECT_NE(err.str().find("no camera driver"), std::string::npos);
}

TEST(StarSelector, LearnsTheSkyLevelAndPrefersAStarToAHotPixel)
{
    SyntheticStarField sky(64, 48, 1, 9);
    const GaussianStar star{40.3, 20.6, 3.0, 6000.0};
    std::vector<std::int32_t> samples = sky.render(1000.0, std::span(&star, 1), true);
    samples[5 + 64 * 7] = 60000; // a hot pixel far brighter than the star's peak
    std::unique_ptr<FramePipeline> window = FramePipeline::create(64, 48, 1);
    window->setDigitCapacity(16);
    ASSERT_TRUE(window->deliverFrame(samples, 64, 48, 1));
    const std::vector<std::uint16_t> levels = StarSelector::backgroundThresholds(window->rawFrame());
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_GT(levels[0], 1000 + 2 * 31) << "above the sky's noise (sigma ~ 32)";
    EXPECT_LT(levels[0], 1000 + 5 * 32);
    const std::optional<StarPosition> found = StarSelector::brightestStar(window->rawFrame(), levels);
    ASSERT_TRUE(found);
    EXPECT_NEAR(found->x, 40, 1);
    EXPECT_NEAR(found->y, 21, 1);
}

TEST(GuidingSummary, RmsPeaksAndDriftOverAllFrames)
{
    GuidingSummary summary;
    for (int i = 0; i < 4; ++i)
        summary.add({i * 2.0, i % 2 ? 3.0 : -3.0, 0.5 * i * 2.0, {}, {}});
    EXPECT_EQ(summary.frames(), 4u);
    EXPECT_DOUBLE_EQ(summary.rmsH(), 3.0);
    EXPECT_DOUBLE_EQ(summary.peakH(), 3.0);
    EXPECT_DOUBLE_EQ(summary.peakV(), 3.0);
    EXPECT_DOUBLE_EQ(summary.driftV(), 0.5);
    EXPECT_DOUBLE_EQ(summary.rmsTotal(), std::hypot(3.0, std::sqrt((0 + 1 + 4 + 9) / 4.0)));
    EXPECT_EQ(summary.json(),
              "{\"frames\":4,\"rms_h\":3.0000,\"rms_v\":1.8708,\"rms_total\":3.5355,"
              "\"peak_h\":3.0000,\"peak_v\":3.0000,\"drift_h\":0.600000,\"drift_v\":0.500000}");
    GuidingStep step{1.5, -0.25, std::nan(""), {}, {{GuideDirection::East, 12}, {GuideDirection::South, 0}}};
    EXPECT_EQ(
        GuidingSummary::frameJson(7, step),
        "{\"frame\":7,\"t\":1.500,\"h\":-0.250,\"v\":null,\"pulses\":[{\"direction\":\"East\",\"ms\":12},"
        "{\"direction\":\"South\",\"ms\":0}]}");
}

TEST(HeadlessOptions, ParsesTheCommandLineAndRejectsNonsense)
{
    const HeadlessParse parsed = parseHeadlessOptions(
        {"--frames", "50", "--seconds", "2.5", "--lock", "--no-guide", "--star", "12,34"});
    ASSERT_TRUE(parsed.options) << parsed.error;
    EXPECT_EQ(parsed.options->frames, 50);
    EXPECT_EQ(parsed.options->seconds, 2.5);
    EXPECT_TRUE(parsed.options->lock);
    EXPECT_TRUE(parsed.options->noGuide);
    EXPECT_EQ(parsed.options->star, std::make_pair(12, 34));
    EXPECT_TRUE(parseHeadlessOptions({"--help"}).options->help);
    EXPECT_FALSE(parseHeadlessOptions({}).options->frames);
    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--frames"},
                                                {"--frames", "0"},
                                                {"--frames", "2.5"},
                                                {"--frames", "x"},
                                                {"--seconds", "-1"},
                                                {"--seconds", "nan"},
                                                {"--star", "12"},
                                                {"--star", "a,b"},
                                                {"--bogus"}}) {
        const HeadlessParse result = parseHeadlessOptions(bad);
        EXPECT_FALSE(result.options) << bad[0];
        EXPECT_FALSE(result.error.empty());
    }
    EXPECT_NE(std::string(headlessUsage()).find("--no-guide"), std::string::npos);

    const HeadlessParse serve = parseHeadlessOptions({"--serve", "--port", "4405", "--no-guide"});
    ASSERT_TRUE(serve.options) << serve.error;
    EXPECT_TRUE(serve.options->serve);
    EXPECT_EQ(serve.options->port, 4405);
    for (const std::vector<std::string>& bad :
         std::vector<std::vector<std::string>>{{"--serve", "--frames", "3"},
                                               {"--serve", "--lock"},
                                               {"--port", "4400"},
                                               {"--serve", "--port", "70000"}})
        EXPECT_FALSE(parseHeadlessOptions(bad).options) << bad[1];
}

} // namespace
} // namespace velmora::client
