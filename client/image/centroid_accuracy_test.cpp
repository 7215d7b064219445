// Accuracy of the tracked centroid on synthetic Gaussian stars with Poisson-like noise,
// thresholds learned by detection on star-free sky as a user would.
#include "client/image/frame_pipeline.h"
#include "client/image/image_geometry.h"
#include "client/image/measurement_tool.h"
#include "client/image/synthetic_star_field.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace velmora::client {
namespace {

constexpr int kSize = 96;
constexpr double kBackground = 2000.0;

struct Accuracy {
    double rmsPixels = 0.0;
    double worstPixels = 0.0;
    int notConverged = 0;
};

Accuracy measure(double peak, std::uint32_t seed)
{
    auto window = FramePipeline::create(kSize, kSize, 1);
    window->setDigitCapacity(16);
    MemorySettingsStore store;
    store.writeInt("Guiding", "Square Size", 32);
    store.writeInt("Guiding", "Iter Level", 1); // 0.1 pixel
    ImageGeometry geometry;
    MeasurementTool tool("Guiding", *window, store, geometry);
    tool.Activate();

    SyntheticStarField field(kSize, kSize, 1, seed);
    // Learn the thresholds on empty sky.
    tool.SetSquareCentre(20, 20);
    tool.SetDetectNumber(5);
    tool.Detect();
    for (int i = 0; i < 5; ++i)
        window->deliverFrame(field.render(kBackground, {}, true), kSize, kSize, 1);
    EXPECT_FALSE(tool.detecting());
    EXPECT_GT(tool.shownThreshold(), kBackground);

    std::mt19937 random(seed);
    std::uniform_real_distribution<double> offset(-0.5, 0.5);
    double sumSquares = 0.0;
    Accuracy result;
    int count = 0;
    for (const double fwhm : {2.0, 3.0, 4.0, 5.0, 6.0}) {
        for (int trial = 0; trial < 12; ++trial) {
            const GaussianStar star{48.0 + offset(random), 47.0 + offset(random), fwhm, peak};
            tool.SetAutoGuiding(false);
            tool.SetSquareCentre(45, 50); // a few pixels off the star, as a click would be
            tool.SetAutoGuiding(true);
            const std::vector<GaussianStar> stars{star};
            window->deliverFrame(field.render(kBackground, stars, true), kSize, kSize, 1);
            const double error = std::hypot(tool.centroidX() - star.x, tool.centroidY() - star.y);
            sumSquares += error * error;
            result.worstPixels = std::max(result.worstPixels, error);
            result.notConverged += tool.notConverged() ? 1 : 0;
            ++count;
        }
    }
    result.rmsPixels = std::sqrt(sumSquares / count);
    return result;
}

TEST(CentroidAccuracyTest, TrackedCentroidErrorAtThreeSignalLevels)
{
    struct Level {
        double peak;
        double maxRms;
    };
    for (const Level level : {Level{20000.0, 0.012}, Level{5000.0, 0.035}, Level{1000.0, 0.14}}) {
        const Accuracy accuracy = measure(level.peak, 12345);
        std::printf("peak %.0f on %.0f: centroid RMS error %.4f px (worst %.4f px)\n", level.peak,
                    kBackground, accuracy.rmsPixels, accuracy.worstPixels);
        EXPECT_LT(accuracy.rmsPixels, level.maxRms) << "peak " << level.peak;
        EXPECT_EQ(accuracy.notConverged, 0);
    }
}

} // namespace
} // namespace velmora::client
