#include "client/image/full_scale_ratio.h"
#include "client/image/image_frame.h"
#include "client/image/sample_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <tuple>
#include <utility>
#include <vector>

namespace velmora::client {
namespace {

TEST(ImageFrameTest, AllocateBuildsPlaneAndRowTables)
{
    ImageFrame frame;
    ASSERT_TRUE(frame.Allocate(5, 3, 4));
    EXPECT_EQ(frame.planeSize(), 20);
    EXPECT_EQ(frame.sampleCount(), 60);
    EXPECT_EQ(frame.byteSize(), 120);
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(frame.plane(p), frame.samples() + p * 20);
        for (int y = 0; y < 4; ++y)
            EXPECT_EQ(frame.row(p, y), frame.samples() + (y + p * 4) * 5) << p << "," << y;
    }
    frame.at(2, 4, 3) = 77;
    EXPECT_EQ(frame.samples()[2 * 20 + 3 * 5 + 4], 77);
}

TEST(ImageFrameTest, SameDimensionsKeepSamplesAndAnyChangeZeroFills)
{
    ImageFrame frame;
    const auto fillAndReallocate = [&frame](int w, int p, int h) {
        for (auto& s : frame.sampleSpan())
            s = 1234;
        return frame.Allocate(w, p, h);
    };
    ASSERT_TRUE(frame.Allocate(4, 2, 3));
    ASSERT_TRUE(fillAndReallocate(4, 2, 3));
    EXPECT_EQ(frame.samples()[frame.sampleCount() - 1], 1234) << "unchanged dimensions must keep the samples";

    for (auto [w, p, h] : {std::tuple{5, 2, 3}, std::tuple{5, 1, 3}, std::tuple{5, 1, 7}}) {
        ASSERT_TRUE(fillAndReallocate(w, p, h));
        EXPECT_EQ(frame.width(), w);
        EXPECT_EQ(frame.planeCount(), p);
        EXPECT_EQ(frame.height(), h);
        for (auto s : frame.sampleSpan())
            ASSERT_EQ(s, 0) << "a changed dimension must give a zero-filled frame";
    }
}

TEST(ImageFrameTest, ReleaseAndRefusedDimensionsLeaveAnEmptyFrame)
{
    ImageFrame frame;
    ASSERT_TRUE(frame.Allocate(8, 1, 8));
    frame.Release();
    EXPECT_TRUE(frame.isEmpty());
    EXPECT_EQ(frame.width() + frame.height() + frame.planeCount() + frame.byteSize(), 0);
    EXPECT_EQ(frame.samples(), nullptr);

    // 32767 × 32767 × 3 (the largest geometry a frame message can claim) overflows
    // the 32-bit counts and must be refused, not wrapped.
    ASSERT_TRUE(frame.Allocate(8, 1, 8));
    EXPECT_FALSE(frame.Allocate(32767, 3, 32767));
    EXPECT_TRUE(frame.isEmpty());
    EXPECT_FALSE(frame.Allocate(-1, 1, 8));
    EXPECT_TRUE(frame.Allocate(0, 1, 8));
    EXPECT_TRUE(frame.isEmpty());
}

TEST(ImageFrameTest, AccumulatorHoldsFourByteSamplesAndMovesKeepTables)
{
    AccumulatorFrame sum;
    ASSERT_TRUE(sum.Allocate(3, 2, 2));
    EXPECT_EQ(sum.byteSize(), 3 * 2 * 2 * 4);
    sum.at(1, 2, 1) = 4000000000u;

    AccumulatorFrame moved(std::move(sum));
    EXPECT_TRUE(sum.isEmpty());
    EXPECT_EQ(moved.at(1, 2, 1), 4000000000u);
    EXPECT_EQ(moved.row(1, 1), moved.samples() + (1 + 2) * 3);
}

TEST(ImageFrameTest, CopyIsByteExactAndRefusesOtherDimensions)
{
    ImageFrame raw;
    ImageFrame working;
    raw.Allocate(4, 2, 2);
    working.Allocate(4, 2, 2);
    for (int i = 0; i < raw.sampleCount(); ++i)
        raw.samples()[i] = static_cast<std::uint16_t>(i * 1000 + 7);
    ASSERT_TRUE(Copy(raw, working));
    for (int i = 0; i < raw.sampleCount(); ++i)
        EXPECT_EQ(working.samples()[i], raw.samples()[i]);

    ImageFrame smaller;
    smaller.Allocate(2, 1, 2);
    EXPECT_FALSE(Copy(raw, smaller));
    EXPECT_EQ(smaller.samples()[3], 0);
}

std::uint16_t reference(std::int64_t v, int bits)
{
    if (v < 0)
        return 0;
    const std::int64_t r = v * 65535 / ((std::int64_t{1} << bits) - 1);
    return static_cast<std::uint16_t>(r >= 65535 ? 65535 : r);
}

std::vector<std::uint16_t> convert(int bits, const std::vector<std::int32_t>& values)
{
    ImageFrame frame;
    frame.Allocate(static_cast<int>(values.size()), 1, 1);
    EXPECT_TRUE(ConvertCameraSamples(bits, values, frame));
    return {frame.samples(), frame.samples() + frame.sampleCount()};
}

TEST(ConvertCameraSamplesTest, EightTwelveAndSixteenBits)
{
    EXPECT_EQ(convert(8, {0, 1, 128, 255}), (std::vector<std::uint16_t>{0, 257, 32896, 65535}));
    EXPECT_EQ(convert(12, {1, 2048, 4094, 4095}), (std::vector<std::uint16_t>{16, 32775, 65518, 65535}));
    EXPECT_EQ(convert(16, {0, 1, 40000, 65535}), (std::vector<std::uint16_t>{0, 1, 40000, 65535}));
}

TEST(ConvertCameraSamplesTest, ValuesBeyondFullScaleSaturateAndNegativesAreZero)
{
    EXPECT_EQ(convert(8, {256, 70000, 2147483647}), (std::vector<std::uint16_t>{65535, 65535, 65535}));
    EXPECT_EQ(convert(12, {4096, 65535}), (std::vector<std::uint16_t>{65535, 65535}));
    EXPECT_EQ(convert(16, {65536, 1 << 30}), (std::vector<std::uint16_t>{65535, 65535}));
    EXPECT_EQ(convert(12, {-1, -2147483647 - 1}), (std::vector<std::uint16_t>{0, 0}));
}

TEST(ConvertCameraSamplesTest, EveryDepthMatchesTheWideIntegerFormula)
{
    for (int bits = 1; bits <= 16; ++bits) {
        const std::int32_t full = (1 << bits) - 1;
        std::vector<std::int32_t> values;
        for (std::int32_t v = -1; v <= full + 2; ++v)
            values.push_back(v);
        ImageFrame frame;
        frame.Allocate(static_cast<int>(values.size()), 1, 1);
        ASSERT_TRUE(ConvertCameraSamples(bits, values, frame));
        for (std::size_t i = 0; i < values.size(); ++i)
            ASSERT_EQ(frame.samples()[i], reference(values[i], bits)) << bits << " bits, value " << values[i];
    }
}

TEST(ConvertCameraSamplesTest, ShortSourceIsRefusedAndDepthIsClamped)
{
    ImageFrame frame;
    frame.Allocate(4, 1, 1);
    const std::vector<std::int32_t> three{1, 2, 3};
    EXPECT_FALSE(ConvertCameraSamples(8, three, frame)) << "must not read past the delivered samples";
    EXPECT_EQ(convert(0, {0, 1, 2}), (std::vector<std::uint16_t>{0, 65535, 65535}))
        << "depth 0 behaves as 1 bit";
    EXPECT_EQ(convert(20, {70000}), (std::vector<std::uint16_t>{65535})) << "depth above 16 behaves as 16";
}

TEST(FullScaleRatioTest, ExactForEveryNumeratorOfManyDivisors)
{
    std::vector<std::int32_t> divisors{65535, 65534, 65533, 65521, 32768, 32767, 4095, 1023};
    for (std::int32_t d = 1; d <= 300; ++d)
        divisors.push_back(d);
    std::mt19937 random(5);
    std::uniform_int_distribution<std::int32_t> any(1, 65535);
    for (int i = 0; i < 150; ++i)
        divisors.push_back(any(random));
    for (const std::int32_t d : divisors) {
        const FullScaleRatio ratio(static_cast<std::uint32_t>(d));
        int mismatches = 0;
        for (std::int32_t t = 0; t <= d; ++t)
            mismatches += ratio(static_cast<std::uint16_t>(t)) != static_cast<std::int64_t>(t) * 65535 / d;
        ASSERT_EQ(mismatches, 0) << "divisor " << d;
    }
}

} // namespace
} // namespace velmora::client

TEST(ImageFrameTest, DimensionsTooLargeForAFrameAreRefusedWithoutOverflow)
{
    EXPECT_TRUE(velmora::client::ImageFrame::validDimensions(640, 3, 480));
    EXPECT_FALSE(velmora::client::ImageFrame::validDimensions(0x7fffffff, 133, 0x7fffffff)) << "the product exceeds 64 bits";
    EXPECT_FALSE(velmora::client::ImageFrame::validDimensions(65536, 1, 65536));
    EXPECT_FALSE(velmora::client::ImageFrame::validDimensions(-1, 1, 1));
    EXPECT_TRUE(velmora::client::ImageFrame::validDimensions(0x7fffffff, 0, 0x7fffffff)) << "an empty frame";
}
