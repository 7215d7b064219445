#include "server/camera/bayer_pattern.h"
#include "server/camera/colour_converter.h"

#include "server/camera/test_frame.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

using testing::TestFrame;

ColourSettings debayer(int matrixType, int blue = 100, int green = 100, int red = 100)
{
    ColourSettings s;
    s.mode = ColourMode::Debayerization;
    s.matrixType = matrixType;
    s.coefficients = {blue, green, red};
    return s;
}

void expectUniform(const ColourImage& image, int plane, int value)
{
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ASSERT_EQ(image.at(x, y, plane), value) << "plane " << plane << " at " << x << "," << y;
}

// Channel values that are linear in x and y: the neighbour means reproduce them exactly.
int linear(int channel, int x, int y)
{
    return 40 + 20 * channel + 4 * x + 8 * y;
}

TEST(ColourDebayer, UniformGreyGivesUniformPlanesBorderIncluded)
{
    for (int type = 0; type < 4; ++type) {
        TestFrame<std::uint8_t> frame(20, 16, 0, 100);
        ColourImage image;
        // Odd origins, odd and even sizes.
        for (const SubFrame& sub : {SubFrame{0, 0, 20, 16}, SubFrame{1, 3, 17, 11}, SubFrame{2, 1, 9, 14}}) {
            ASSERT_TRUE(ColourConverter::convert(frame.view(), sub, debayer(type, 100, 100, 50), image));
            expectUniform(image, kBlue, 100);
            expectUniform(image, kGreen, 100);
            expectUniform(image, kRed, 50);
        }
    }
}

TEST(ColourDebayer, InteriorReproducesALinearSceneForEveryPattern)
{
    TestFrame<std::uint8_t> frame(16, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 16; ++x)
            for (int c = 0; c < 3; ++c)
                frame.setChannel(x, y, c, static_cast<std::uint8_t>(linear(c, x, y)));
    for (int type = 0; type < 4; ++type) {
        for (const SubFrame& sub : {SubFrame{0, 0, 16, 12}, SubFrame{1, 1, 13, 10}, SubFrame{3, 0, 12, 11}}) {
            ColourImage image;
            ASSERT_TRUE(ColourConverter::convert(frame.view(), sub, debayer(type), image));
            // Inside the two-pixel border every plane equals the scene: sites directly,
            // the others through the passes in order (green sites use red and blue
            // values interpolated at blue and red sites before them).
            for (int y = 2; y < sub.numY - 2; ++y)
                for (int x = 2; x < sub.numX - 2; ++x)
                    for (int c = 0; c < 3; ++c)
                        ASSERT_EQ(image.at(x, y, c), linear(c, sub.startX + x, sub.startY + y))
                            << "type " << type << " plane " << c << " at " << x << "," << y;
        }
    }
}

TEST(ColourDebayer, SitesOutsideTheBorderKeepTheirSampleTimesCoefficient)
{
    TestFrame<std::uint8_t> frame(10, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            frame.set(x, y, static_cast<std::uint8_t>(x * 10 + y), 7, static_cast<std::uint8_t>(200 - x - y));
    ColourImage image;
    ASSERT_TRUE(ColourConverter::convert(frame.view(), {0, 0, 10, 10}, debayer(0, 50, 100, 30), image));
    const BayerPattern pattern(0);
    for (int y = 2; y < 8; ++y) {
        for (int x = 2; x < 8; ++x) {
            const ColourChannel c = pattern.siteColour(x, y);
            const int sample = c == kBlue ? x * 10 + y : c == kGreen ? 7 : 200 - x - y;
            const int k = c == kBlue ? 50 : c == kGreen ? 100 : 30;
            EXPECT_EQ(image.at(x, y, c), sample * k / 100) << x << "," << y;
        }
    }
}

TEST(ColourDebayer, BorderIsThePlaneMeanAndIndependentOfEarlierImages)
{
    TestFrame<std::uint8_t> bright(12, 12, 0, 250);
    TestFrame<std::uint8_t> ramp(12, 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 12; ++x)
            ramp.set(x, y, static_cast<std::uint8_t>(10 * x), static_cast<std::uint8_t>(5 * y), 60);
    ColourImage fresh;
    ColourImage reused;
    ASSERT_TRUE(ColourConverter::convert(bright.view(), {0, 0, 12, 12}, debayer(1), reused));
    ASSERT_TRUE(ColourConverter::convert(ramp.view(), {0, 0, 12, 12}, debayer(1), reused));
    ASSERT_TRUE(ColourConverter::convert(ramp.view(), {0, 0, 12, 12}, debayer(1), fresh));
    ASSERT_EQ(fresh.valueCount(), reused.valueCount());
    for (std::size_t i = 0; i < fresh.valueCount(); ++i)
        ASSERT_EQ(fresh.data()[i], reused.data()[i]) << i;

    // The border band (two rows and columns on each side) holds one value per plane.
    for (int c = 0; c < 3; ++c) {
        const int border = fresh.at(0, 0, c);
        for (int i = 0; i < 12; ++i) {
            for (int j : {0, 1, 10, 11}) {
                EXPECT_EQ(fresh.at(i, j, c), border);
                EXPECT_EQ(fresh.at(j, i, c), border);
            }
        }
    }
    // Red is 60 everywhere inside the border, so the border is 60 too.
    EXPECT_EQ(fresh.at(0, 0, kRed), 60);
}

TEST(ColourDebayer, TinySubFramesStayInBounds)
{
    TestFrame<std::uint8_t> frame(4, 4, 0, 90);
    for (int w = 1; w <= 4; ++w) {
        for (int h = 1; h <= 4; ++h) {
            ColourImage image;
            ASSERT_TRUE(ColourConverter::convert(frame.view(), {0, 0, w, h}, debayer(0), image));
            EXPECT_EQ(image.at(0, 0, 0), 90) << w << "x" << h;
        }
    }
}

TEST(BayerPatternTest, OddOriginsSwapRowsAndColumns)
{
    EXPECT_EQ(BayerPattern::forSubFrame(0, 0, 0).matrixType(), 0);
    EXPECT_EQ(BayerPattern::forSubFrame(0, 0, 1).matrixType(), 1);
    EXPECT_EQ(BayerPattern::forSubFrame(0, 1, 0).matrixType(), 3);
    EXPECT_EQ(BayerPattern::forSubFrame(0, 1, 1).matrixType(), 2);
    EXPECT_EQ(BayerPattern::forSubFrame(2, 1, 1).matrixType(), 0);
    EXPECT_EQ(BayerPattern::forSubFrame(1, 3, 0).matrixType(), 2);
    // The same colours through either description.
    for (int type = 0; type < 4; ++type)
        for (int x0 = 0; x0 < 3; ++x0)
            for (int y0 = 0; y0 < 3; ++y0)
                for (int y = 0; y < 2; ++y)
                    for (int x = 0; x < 2; ++x)
                        EXPECT_EQ(BayerPattern::forSubFrame(type, x0, y0).siteColour(x, y),
                                  BayerPattern(type).siteColour(x0 + x, y0 + y));
}

} // namespace
} // namespace velmora::server
