#include "server/camera/colour_converter.h"

#include "server/camera/test_frame.h"

#include <gtest/gtest.h>

#include <limits>

namespace velmora::server {
namespace {

using testing::TestFrame;

ColourSettings settingsFor(ColourMode mode, int matrixType = 0, int blue = 100, int green = 100,
                           int red = 100)
{
    ColourSettings s;
    s.mode = mode;
    s.matrixType = matrixType;
    s.coefficients = {blue, green, red};
    return s;
}

TEST(ColourGraying, WeightedMeanOfTheThreeChannelsTruncates)
{
    TestFrame<std::uint8_t> frame(4, 2);
    frame.set(0, 0, 1, 1, 2); // (1 + 1 + 2) / 3 = 1.33
    frame.set(1, 0, 255, 255, 255);
    frame.set(2, 0, 0, 0, 2); // 0.67 truncates to 0
    ColourImage image;
    ASSERT_TRUE(
        ColourConverter::convert(frame.view(), {0, 0, 4, 2}, settingsFor(ColourMode::Graying), image));
    EXPECT_EQ(image.planeCount(), 1);
    EXPECT_EQ(image.at(0, 0, 0), 1);
    EXPECT_EQ(image.at(1, 0, 0), 255);
    EXPECT_EQ(image.at(2, 0, 0), 0);

    // Coefficients weight each channel before the division by 300: (10*0 + 20*100 + 30*50) / 300.
    frame.set(3, 1, 10, 20, 30);
    ASSERT_TRUE(ColourConverter::convert(frame.view(), {0, 0, 4, 2},
                                         settingsFor(ColourMode::Graying, 0, 0, 100, 50), image));
    EXPECT_EQ(image.at(3, 1, 0), (20 * 100 + 30 * 50) / 300);
}

TEST(ColourGraying, TenSummedFullScaleFramesReach2550)
{
    TestFrame<std::int32_t> sums(8, 4, 0, 2550);
    sums.set(1, 1, 0, 1275, 2550);
    ColourImage image;
    ASSERT_TRUE(
        ColourConverter::convert(sums.view(), 2550, {0, 0, 8, 4}, settingsFor(ColourMode::Graying), image));
    EXPECT_EQ(image.at(0, 0, 0), 2550);
    EXPECT_EQ(image.at(1, 1, 0), (1275 + 2550) / 3);
}

TEST(ColourOriginal, CoefficientScalesItsOwnPlaneOnly)
{
    TestFrame<std::uint8_t> frame(2, 2, 0, 255);
    frame.set(1, 1, 7, 8, 9);
    ColourImage image;
    ASSERT_TRUE(ColourConverter::convert(frame.view(), {0, 0, 2, 2},
                                         settingsFor(ColourMode::Original, 0, 100, 100, 50), image));
    ASSERT_EQ(image.planeCount(), 3);
    EXPECT_EQ(image.at(0, 0, kRed), 127);
    EXPECT_EQ(image.at(0, 0, kGreen), 255);
    EXPECT_EQ(image.at(0, 0, kBlue), 255);
    // Planes come blue, green, red.
    EXPECT_EQ(image.at(1, 1, 0), 7);
    EXPECT_EQ(image.at(1, 1, 1), 8);
    EXPECT_EQ(image.at(1, 1, 2), 4);
}

TEST(ColourSubFrame, CutsTheSubFrameAndIgnoresRowPadding)
{
    // Padding bytes of 200 would show up if the stride were taken as 3 x width.
    TestFrame<std::uint8_t> frame(5, 4, 3, 0, 200);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 5; ++x)
            frame.set(x, y, static_cast<std::uint8_t>(10 * y + x), 0, 0);
    ColourImage image;
    ASSERT_TRUE(
        ColourConverter::convert(frame.view(), {2, 1, 3, 3}, settingsFor(ColourMode::Original), image));
    EXPECT_EQ(image.width(), 3);
    EXPECT_EQ(image.height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(image.at(x, y, kBlue), 10 * (y + 1) + x + 2) << x << "," << y;
}

TEST(ColourSubFrame, SubFrameOutsideTheFrameIsRefusedAndLeavesTheImage)
{
    TestFrame<std::uint8_t> frame(8, 8, 0, 9);
    ColourImage image;
    const ColourSettings grey = settingsFor(ColourMode::Graying);
    ASSERT_TRUE(ColourConverter::convert(frame.view(), {0, 0, 8, 8}, grey, image));
    for (const SubFrame& bad : {SubFrame{1, 0, 8, 8}, SubFrame{0, 0, 0, 8}, SubFrame{-1, 0, 4, 4},
                                SubFrame{0, 7, 8, 2}, SubFrame{std::numeric_limits<int>::max(), 0, 2, 2}})
        EXPECT_FALSE(ColourConverter::convert(frame.view(), bad, grey, image));
    EXPECT_FALSE(ColourConverter::convert(FrameBytes{nullptr, 8, 8, 24}, {0, 0, 8, 8}, grey, image));
    EXPECT_FALSE(
        ColourConverter::convert(FrameBytes{frame.view().data, 8, 8, 20}, {0, 0, 8, 8}, grey, image));
    EXPECT_EQ(image.width(), 8);
    EXPECT_EQ(image.at(7, 7, 0), 9);
}

TEST(ColourLuminosity, SiteColoursFollowTheSubFrameOrigin)
{
    // Each channel carries its own value so the site colour can be read off the result.
    TestFrame<std::uint8_t> frame(6, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            frame.set(x, y, 10, 20, 30);
    ColourImage image;
    auto sites = [&](int x0, int y0, int type) {
        EXPECT_TRUE(ColourConverter::convert(frame.view(), {x0, y0, 4, 4},
                                             settingsFor(ColourMode::Luminosity, type), image));
        return std::array<int, 4>{image.at(0, 0, 0), image.at(1, 0, 0), image.at(0, 1, 0), image.at(1, 1, 0)};
    };
    const std::array<int, 4> type0{10, 20, 20, 30}; // blue, green / green, red
    const std::array<int, 4> type3{20, 10, 30, 20}; // green, blue / red, green
    const std::array<int, 4> type1{20, 30, 10, 20};
    const std::array<int, 4> type2{30, 20, 20, 10};
    EXPECT_EQ(sites(0, 0, 0), type0);
    EXPECT_EQ(sites(1, 0, 0), type3);
    EXPECT_EQ(sites(0, 1, 0), type1);
    EXPECT_EQ(sites(1, 1, 0), type2);
    EXPECT_EQ(sites(2, 2, 0), type0);
    EXPECT_EQ(sites(0, 0, 2), type2);
    EXPECT_EQ(sites(1, 1, 2), type0);
    EXPECT_EQ(image.planeCount(), 1);

    // The site's own coefficient applies: blue site of 10 at 50 % gives 5.
    ASSERT_TRUE(ColourConverter::convert(frame.view(), {0, 0, 4, 4},
                                         settingsFor(ColourMode::Luminosity, 0, 50), image));
    EXPECT_EQ(image.at(0, 0, 0), 5);
    EXPECT_EQ(image.at(1, 1, 0), 30);
}

TEST(ColourArithmetic, WideSumsSaturateInsteadOfOverflowing)
{
    // A damaged profile (coefficient 1000 %) on large sums: the exact result exceeds 32 bits.
    TestFrame<std::int32_t> sums(2, 2, 0, 2'000'000'000);
    ColourImage image;
    ASSERT_TRUE(ColourConverter::convert(sums.view(), std::numeric_limits<std::int32_t>::max(), {0, 0, 2, 2},
                                         settingsFor(ColourMode::Original, 0, 1000, 100, -1000), image));
    EXPECT_EQ(image.at(0, 0, kBlue), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(image.at(0, 0, kGreen), 2'000'000'000);
    EXPECT_EQ(image.at(0, 0, kRed), std::numeric_limits<std::int32_t>::min());
}

TEST(ColourArithmetic, WideAndNarrowArithmeticAgreeWhereBothAreExact)
{
    TestFrame<std::int32_t> sums(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            sums.set(x, y, (x * 37 + y * 11) % 1000, (x * 7 + y * 53) % 1000, (x * 91 + y) % 1000);
    for (int mode = 0; mode < 4; ++mode) {
        const ColourSettings s = settingsFor(static_cast<ColourMode>(mode), 1, 33, 77, 91);
        ColourImage narrow;
        ColourImage wide;
        ASSERT_TRUE(ColourConverter::convert(sums.view(), 1000, {1, 1, 14, 13}, s, narrow));
        ASSERT_TRUE(ColourConverter::convert(sums.view(), -1, {1, 1, 14, 13}, s, wide));
        ASSERT_EQ(narrow.valueCount(), wide.valueCount());
        for (std::size_t i = 0; i < narrow.valueCount(); ++i)
            ASSERT_EQ(narrow.data()[i], wide.data()[i]) << "mode " << mode << " at " << i;
    }
}

TEST(ColourSettingsTest, StoredValuesOutOfRangeFallBack)
{
    const ColourSettings s = ColourSettings::fromStored(9, -1, 1, 2, 3);
    EXPECT_EQ(s.mode, ColourMode::Original);
    EXPECT_EQ(s.matrixType, 0);
    EXPECT_EQ(s.coefficients, (std::array<int, 3>{1, 2, 3}));
    EXPECT_EQ(ColourSettings::fromStored(3, 3, 0, 0, 0).mode, ColourMode::Debayerization);
    EXPECT_EQ(ColourSettings::planeCountFor(ColourMode::Luminosity), 1);
    EXPECT_EQ(ColourSettings::planeCountFor(ColourMode::Debayerization), 3);
    EXPECT_STREQ(ColourSettings::modeName(ColourMode::Graying), "Graying");
}

TEST(ColourImageTest, StorageIsKeptUntilTheShapeChanges)
{
    ColourImage image;
    EXPECT_TRUE(image.reshape(4, 3, 1));
    image.plane(0)[5] = 42;
    EXPECT_FALSE(image.reshape(4, 3, 1));
    EXPECT_EQ(image.at(1, 1, 0), 42);
    EXPECT_TRUE(image.reshape(4, 3, 3));
    EXPECT_EQ(image.at(1, 1, 0), 0);
    EXPECT_EQ(image.byteCount(), 4u * 3 * 3 * 4);
}

} // namespace
} // namespace velmora::server

namespace velmora::server {
namespace {

// Frames take the vector kernels (where the processor has them); sums with a bound of
// 255 take the 32-bit portable code with the plane kernels; sums without a usable bound
// take the 64-bit portable code alone. All three must agree to the value.
TEST(ColourPaths, VectorAndPortableCodeAgreeForEveryModePatternAndShape)
{
    const int width = 53;
    const int height = 31;
    TestFrame<std::uint8_t> bytes(width, height, 2);
    TestFrame<std::int32_t> sums(width, height, 5);
    std::uint32_t seed = 7;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1103515245u + 12345u;
                const auto v = static_cast<std::uint8_t>(seed >> 23);
                bytes.setChannel(x, y, c, v);
                sums.setChannel(x, y, c, v);
            }
        }
    }
    const SubFrame shapes[] = {
        {0, 0, width, height}, {1, 1, 37, 22}, {3, 2, 45, 29}, {2, 5, 11, 9}, {5, 0, 17, 31}};
    const std::array<int, 3> coefficientSets[] = {{100, 100, 100}, {37, 100, 81}, {-40, 100, 55}};
    for (int mode = 0; mode < 4; ++mode) {
        for (int type = 0; type < 4; ++type) {
            for (const SubFrame& sub : shapes) {
                for (const auto& k : coefficientSets) {
                    const ColourSettings s =
                        settingsFor(static_cast<ColourMode>(mode), type, k[0], k[1], k[2]);
                    ColourImage vector;
                    ColourImage narrow;
                    ColourImage wide;
                    ASSERT_TRUE(ColourConverter::convert(bytes.view(), sub, s, vector));
                    ASSERT_TRUE(ColourConverter::convert(sums.view(), 255, sub, s, narrow));
                    ASSERT_TRUE(ColourConverter::convert(sums.view(), -1, sub, s, wide));
                    ASSERT_EQ(vector.valueCount(), wide.valueCount());
                    for (std::size_t i = 0; i < wide.valueCount(); ++i) {
                        ASSERT_EQ(vector.data()[i], wide.data()[i])
                            << "mode " << mode << " type " << type << " at " << i;
                        ASSERT_EQ(narrow.data()[i], wide.data()[i])
                            << "mode " << mode << " type " << type << " at " << i;
                    }
                }
            }
        }
    }
}

} // namespace
} // namespace velmora::server
