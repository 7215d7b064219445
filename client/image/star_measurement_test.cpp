#include "client/image/star_measurement.h"

#include "client/image/blob_diameter.h"
#include "client/image/synthetic_star_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace velmora::client {
namespace {

ImageFrame frameOf(int w, int h, int planes, std::uint16_t fill = 0)
{
    ImageFrame frame;
    frame.Allocate(w, planes, h);
    for (auto& s : frame.sampleSpan())
        s = fill;
    return frame;
}

ImageFrame frameFromCamera(const std::vector<std::int32_t>& camera, int w, int h, int planes)
{
    ImageFrame frame;
    frame.Allocate(w, planes, h);
    for (int i = 0; i < frame.sampleCount(); ++i)
        frame.samples()[i] = static_cast<std::uint16_t>(camera[static_cast<std::size_t>(i)]);
    return frame;
}

TEST(MeasureCentroidTest, SinglePixelAboveThresholdIsExact)
{
    ImageFrame frame = frameOf(32, 32, 1, 500);
    frame.at(0, 11, 23) = 9000;
    const std::vector<std::uint16_t> thresholds{500};
    const Centroid c = MeasureCentroid(frame, {4, 16, 20, 32}, thresholds);
    EXPECT_EQ(c.x, 11.0);
    EXPECT_EQ(c.y, 23.0);
}

TEST(MeasureCentroidTest, NoSignalGivesTheUnclippedSquareCentre)
{
    const ImageFrame frame = frameOf(32, 32, 1, 100);
    const std::vector<std::uint16_t> thresholds{100};
    const Centroid odd = MeasureCentroid(frame, {10, 3, 15, 8}, thresholds);
    EXPECT_EQ(odd.x, 12.5);
    EXPECT_EQ(odd.y, 5.5);
    // Partly outside: the start values come from the square before clipping.
    const Centroid outside = MeasureCentroid(frame, {-9, -4, 8, 12}, thresholds);
    EXPECT_EQ(outside.x, -0.5);
    EXPECT_EQ(outside.y, 4.0);
    const Centroid away = MeasureCentroid(frame, {100, 100, 116, 116}, thresholds);
    EXPECT_EQ(away.x, 108.0);
}

TEST(MeasureCentroidTest, ClippedSquareUsesOnlyTheVisiblePart)
{
    ImageFrame frame = frameOf(16, 16, 1);
    frame.at(0, 0, 5) = 100;
    frame.at(0, 1, 5) = 300;
    frame.at(0, 15, 5) = 60000; // outside the square
    const Centroid c = MeasureCentroid(frame, {-8, -3, 8, 13}, std::vector<std::uint16_t>{0});
    EXPECT_DOUBLE_EQ(c.x, 0.75);
    EXPECT_DOUBLE_EQ(c.y, 5.0);
}

TEST(MeasureCentroidTest, WeightSumsPlanesAndIgnoresSamplesBelowTheirThreshold)
{
    ImageFrame frame = frameOf(8, 8, 2);
    frame.at(0, 2, 2) = 150; // plane 0 threshold 50: weight 100
    frame.at(1, 2, 2) = 10;  // plane 1 threshold 50: contributes 0, not −40
    frame.at(1, 6, 2) = 350; // plane 1: weight 300
    const std::vector<std::uint16_t> thresholds{50, 50};
    const Centroid c = MeasureCentroid(frame, {0, 0, 8, 8}, thresholds);
    EXPECT_DOUBLE_EQ(c.x, (2.0 * 100 + 6.0 * 300) / 400);
    // A missing threshold counts as 0 rather than reading past the table.
    const Centroid unthresholded = MeasureCentroid(frame, {0, 0, 8, 8}, std::vector<std::uint16_t>{50});
    EXPECT_DOUBLE_EQ(unthresholded.x, (2.0 * 110 + 6.0 * 350) / 460);
}

TEST(MeasureFwhmTest, CountsPixelsStrictlyAboveHalfTheLargestWeight)
{
    ImageFrame flat = frameOf(16, 16, 1, 1100);
    const std::vector<std::uint16_t> thresholds{100};
    EXPECT_DOUBLE_EQ(MeasureFwhm(flat, {0, 0, 4, 4}, thresholds, 1.0, 1.0),
                     2.0 * std::sqrt(16 / std::numbers::pi))
        << "equal positive weights: every pixel counts";

    ImageFrame star = frameOf(16, 16, 1, 100);
    star.at(0, 5, 5) = 1100; // M = 1000
    star.at(0, 6, 5) = 600;  // exactly half: not counted
    star.at(0, 4, 5) = 601;  // just above half
    EXPECT_DOUBLE_EQ(MeasureFwhm(star, {0, 0, 16, 16}, thresholds, 2.0, 0.5),
                     2.0 * std::sqrt(2 / std::numbers::pi));
    EXPECT_EQ(MeasureFwhm(star, {0, 0, 16, 16}, thresholds, 0.0, 0.0), 0.0) << "no scales, no FWHM";

    const ImageFrame dark = frameOf(16, 16, 1, 50);
    EXPECT_EQ(MeasureFwhm(dark, {0, 0, 16, 16}, thresholds, 1.0, 1.0), 0.0) << "all weights 0 gives N = 0";
    EXPECT_EQ(MeasureFwhm(star, {40, 40, 50, 50}, thresholds, 1.0, 1.0), 0.0) << "a square off the image";
}

TEST(SquareMaximaTest, PerPlaneMaximumInsideTheClippedSquare)
{
    ImageFrame frame = frameOf(10, 10, 2, 5);
    frame.at(0, 1, 1) = 700;
    frame.at(1, 8, 8) = 900; // outside the square below
    frame.at(1, 2, 2) = 30;
    std::vector<std::uint16_t> maxima(2, 99);
    SquareMaxima(frame, {-5, -5, 5, 5}, maxima);
    EXPECT_EQ(maxima, (std::vector<std::uint16_t>{700, 30}));
    SquareMaxima(frame, {20, 20, 30, 30}, maxima);
    EXPECT_EQ(maxima, (std::vector<std::uint16_t>{0, 0}));
}

TEST(BlobDiameterTest, SyntheticDiscDiameterWithinOnePixel)
{
    SyntheticStarField field(64, 64, 1, 1);
    BlobDiameter blob;
    for (const double radius : {4.0, 7.5, 12.0}) {
        const auto camera = field.disc(31.3, 32.6, radius, 30000, 1000);
        ImageFrame frame = frameFromCamera(camera, 64, 64, 1);
        const double d = blob.MeasureBlobDiameter(frame, {8, 8, 56, 56}, 0.5, 1.0, 1.0);
        EXPECT_NEAR(d, 2 * radius, 1.0) << "radius " << radius;
        // The measurement marks the frame, so measure again on a fresh copy.
        ImageFrame again = frameFromCamera(camera, 64, 64, 1);
        const double arcsec = blob.MeasureBlobDiameter(again, {8, 8, 56, 56}, 0.5, 2.0, 2.0);
        EXPECT_NEAR(arcsec, 2 * d, 1e-9) << "diameter scales with the image scale";
    }
}

TEST(BlobDiameterTest, MarksBackgroundInPlaneZeroOnly)
{
    SyntheticStarField field(32, 32, 2, 1);
    ImageFrame frame = frameFromCamera(field.disc(16, 16, 5, 30000, 1000), 32, 32, 2);
    BlobDiameter blob;
    blob.MeasureBlobDiameter(frame, {4, 4, 28, 28}, 0.5, 1.0, 1.0);
    EXPECT_EQ(frame.at(0, 5, 5), 1000 | 0x8000) << "background reached by the fill";
    EXPECT_EQ(frame.at(0, 16, 16), 30000) << "star pixel untouched";
    EXPECT_EQ(frame.at(0, 2, 2), 1000) << "outside the rectangle untouched";
    EXPECT_EQ(frame.at(1, 5, 5), 1000) << "only plane 0 is marked";
}

TEST(BlobDiameterTest, StarTouchingTheBorderCountsItsInnerVisiblePart)
{
    SyntheticStarField field(64, 64, 1, 1);
    const double radius = 10.0;
    ImageFrame frame = frameFromCamera(field.disc(0.0, 32.0, radius, 30000, 1000), 64, 64, 1);
    // The square hangs over the left edge; clipped to (0, 0, 32, 64). The outermost
    // column is background by construction, the rest of the disc is star.
    long long expected = 0;
    for (int y = 1; y <= 62; ++y)
        for (int x = 1; x <= 30; ++x)
            if (x * x + (y - 32.0) * (y - 32.0) <= radius * radius)
                ++expected;
    BlobDiameter blob;
    const double d = blob.MeasureBlobDiameter(frame, {-32, 0, 32, 64}, 0.5, 1.0, 1.0);
    EXPECT_EQ(blob.lastStarArea(), expected);
    EXPECT_DOUBLE_EQ(d, 2.0 * std::sqrt(expected / std::numbers::pi));
    EXPECT_EQ(frame.at(0, 0, 32), 30000 | 0x8000) << "the border column is background";
    EXPECT_EQ(frame.at(0, 1, 32), 30000);
}

TEST(BlobDiameterTest, DegenerateRectanglesAndFractionsEndCleanly)
{
    ImageFrame frame = frameOf(8, 8, 1, 20000);
    BlobDiameter blob;
    EXPECT_EQ(blob.MeasureBlobDiameter(frame, {3, 3, 5, 5}, 0.5, 1.0, 1.0), 0.0) << "2 × 2 is all border";
    EXPECT_EQ(blob.MeasureBlobDiameter(frame, {20, 20, 30, 30}, 0.5, 1.0, 1.0), 0.0)
        << "empty after clipping";
    // A fraction above 1 makes everything background; the fill must still end.
    ImageFrame bright = frameOf(16, 16, 1, 60000);
    EXPECT_EQ(bright.at(0, 8, 8), 60000);
    EXPECT_EQ(blob.MeasureBlobDiameter(bright, {0, 0, 16, 16}, 50.0, 1.0, 1.0), 0.0);
}

} // namespace
} // namespace velmora::client
