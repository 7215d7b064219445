// The small parts of the guiding server: base64, the axes and dithers, star metrics.
#include "client/remote/base64.h"
#include "client/remote/guide_axes.h"
#include "client/remote/star_metrics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string_view>

namespace velmora::client::remote {
namespace {

std::string encode(std::string_view text)
{
    return base64Encode({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

TEST(Base64, MatchesTheStandardVectors)
{
    EXPECT_EQ(encode(""), "");
    EXPECT_EQ(encode("f"), "Zg==");
    EXPECT_EQ(encode("fo"), "Zm8=");
    EXPECT_EQ(encode("foo"), "Zm9v");
    EXPECT_EQ(encode("foob"), "Zm9vYg==");
    EXPECT_EQ(encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(encode("foobar"), "Zm9vYmFy");
    const std::uint8_t high[] = {0xFF, 0xFE, 0xFD};
    EXPECT_EQ(base64Encode(high), "//79");
}

TEST(GuideAxes, RaIsTheHorizontalAxisTurnedByTheReticleAngle)
{
    const double c = std::cos(30 * 0.0174532925), s = std::sin(30 * 0.0174532925);
    const RaDecPixels axes = toRaDec({2.0, 1.0}, c, s);
    EXPECT_NEAR(axes.ra, c * 2 + s * 1, 1e-12);
    EXPECT_NEAR(axes.dec, -s * 2 + c * 1, 1e-12);
    const PixelOffset back = fromRaDec(axes, c, s);
    EXPECT_NEAR(back.dx, 2.0, 1e-12);
    EXPECT_NEAR(back.dy, 1.0, 1e-12);

    std::mt19937_64 random(1);
    double largest = 0.0;
    for (int i = 0; i < 2000; ++i) {
        const PixelOffset move = ditherOffset(3.0, true, c, s, random);
        const RaDecPixels along = toRaDec(move, c, s);
        EXPECT_NEAR(along.dec, 0.0, 1e-12) << "RA only leaves Dec alone";
        EXPECT_LE(std::abs(along.ra), 3.0);
        largest = std::max(largest, std::abs(along.ra));
    }
    EXPECT_GT(largest, 2.5) << "the offsets spread over the amount";
}

TEST(StarMetrics, MassSnrAndHalfFluxDiameterOfAStarOnNoise)
{
    ImageFrame frame;
    ASSERT_TRUE(frame.Allocate(64, 1, 64));
    std::mt19937_64 random(3);
    std::normal_distribution<double> noise(1000.0, 20.0);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const double r2 = (x - 30.0) * (x - 30.0) + (y - 34.0) * (y - 34.0);
            frame.at(0, x, y) = static_cast<std::uint16_t>(noise(random) + 20000.0 * std::exp(-r2 / 8.0));
        }
    const std::uint16_t threshold[] = {1100};
    const StarMetrics star = measureStar(frame, {14, 18, 46, 50}, threshold, 30.0, 34.0);
    ASSERT_TRUE(star.found);
    EXPECT_NEAR(star.mass, 20000.0 * 8.0 * M_PI, 0.1 * 20000.0 * 8.0 * M_PI);
    EXPECT_GT(star.snr, 50.0);
    EXPECT_GT(star.hfdPixels, 2.0);
    EXPECT_LT(star.hfdPixels, 6.0);

    const StarMetrics sky = measureStar(frame, {0, 0, 8, 8}, std::array<std::uint16_t, 1>{1200}, 4, 4);
    EXPECT_FALSE(sky.found);
    EXPECT_EQ(sky.mass, 0.0);
    EXPECT_FALSE(measureStar(frame, {100, 100, 120, 120}, threshold, 110, 110).found) << "outside the frame";
}

} // namespace
} // namespace velmora::client::remote
