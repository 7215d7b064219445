#include "platform/video/v4l2_format_choice.h"

#include "platform/video/fake_v4l2_io.h"

#include <gtest/gtest.h>

namespace velmora::platform::v4l2 {
namespace {

using testing::discreteInterval;
using testing::discreteSize;

v4l2_frmsizeenum sizeRange(std::uint32_t minW, std::uint32_t maxW, std::uint32_t stepW, std::uint32_t minH,
                           std::uint32_t maxH, std::uint32_t stepH)
{
    v4l2_frmsizeenum e{};
    e.type = stepW == 1 && stepH == 1 ? V4L2_FRMSIZE_TYPE_CONTINUOUS : V4L2_FRMSIZE_TYPE_STEPWISE;
    e.stepwise = {minW, maxW, stepW, minH, maxH, stepH};
    return e;
}

TEST(V4l2FrameSizeChoice, NearestDiscreteSizeFirstOfEquals)
{
    const std::vector<v4l2_frmsizeenum> sizes = {discreteSize(320, 240), discreteSize(640, 480),
                                                 discreteSize(1280, 720), discreteSize(640, 360)};
    EXPECT_EQ(closestFrameSize(sizes, 640, 480), (FrameSize{640, 480}));
    EXPECT_EQ(closestFrameSize(sizes, 700, 500), (FrameSize{640, 480}));
    EXPECT_EQ(closestFrameSize(sizes, 1000, 700), (FrameSize{1280, 720}));
    EXPECT_EQ(closestFrameSize(sizes, 640, 420), (FrameSize{640, 480})); // 60 from both: the first listed
    EXPECT_EQ(closestFrameSize(sizes, 1, 1), (FrameSize{320, 240}));
    EXPECT_FALSE(closestFrameSize({}, 640, 480));
    EXPECT_FALSE(closestFrameSize({discreteSize(0, 480)}, 640, 480));
}

TEST(V4l2FrameSizeChoice, RangesClampAndSnapToTheirSteps)
{
    const std::vector<v4l2_frmsizeenum> stepwise = {sizeRange(160, 1280, 16, 120, 960, 8)};
    EXPECT_EQ(closestFrameSize(stepwise, 640, 480), (FrameSize{640, 480}));
    EXPECT_EQ(closestFrameSize(stepwise, 650, 485), (FrameSize{656, 488}));
    EXPECT_EQ(closestFrameSize(stepwise, 647, 483), (FrameSize{640, 480}));
    EXPECT_EQ(closestFrameSize(stepwise, 5000, 10), (FrameSize{1280, 120}));
    EXPECT_EQ(closestFrameSize({sizeRange(100, 200, 1, 100, 200, 1)}, 137, 151), (FrameSize{137, 151}));

    const std::vector<FrameSize> listed = listedSizes(stepwise);
    ASSERT_GE(listed.size(), 3u);
    EXPECT_EQ(listed.front(), (FrameSize{160, 120}));
    EXPECT_EQ(listed.back(), (FrameSize{1280, 960}));
    EXPECT_NE(std::find(listed.begin(), listed.end(), FrameSize{640, 480}), listed.end());
    EXPECT_EQ(std::find(listed.begin(), listed.end(), FrameSize{1920, 1080}), listed.end());
    EXPECT_EQ(listedSizes({discreteSize(640, 480), discreteSize(640, 480), discreteSize(320, 240)}),
              (std::vector<FrameSize>{{640, 480}, {320, 240}}));
}

TEST(V4l2FrameIntervalChoice, NearestPeriodAndRanges)
{
    const std::vector<v4l2_frmivalenum> discrete = {discreteInterval(1, 30), discreteInterval(1, 15),
                                                    discreteInterval(1, 5), discreteInterval(1, 0)};
    auto period = [](std::optional<v4l2_fract> f) { return f ? periodOf(*f) : 0u; };
    EXPECT_EQ(period(closestFrameInterval(discrete, 2'000'000)), 2'000'000u);
    EXPECT_EQ(period(closestFrameInterval(discrete, 700'000)), 666'666u);
    EXPECT_EQ(period(closestFrameInterval(discrete, 1)), 333'333u);
    EXPECT_FALSE(closestFrameInterval({discreteInterval(1, 0)}, 2'000'000));

    v4l2_frmivalenum range{};
    range.type = V4L2_FRMIVAL_TYPE_STEPWISE;
    range.stepwise = {{1, 60}, {1, 2}, {1, 60}}; // 1/60 s to 1/2 s in steps of 1/60 s
    EXPECT_EQ(period(closestFrameInterval({range}, 2'000'000)), 2'000'000u);
    EXPECT_EQ(period(closestFrameInterval({range}, 100'000'000)), 5'000'000u);
    EXPECT_EQ(listedPeriods({range}), (std::vector<std::uint32_t>{166'666u, 5'000'000u}));
}

TEST(V4l2FrameIntervalChoice, PeriodsAndFractionsConvert)
{
    EXPECT_EQ(periodOf({1, 5}), 2'000'000u);
    EXPECT_EQ(periodOf({1001, 30000}), 333'666u);
    EXPECT_EQ(periodOf({1, 0}), 0u);
    EXPECT_EQ(periodOf({4'000'000'000u, 1}), 0xFFFFFFFFu);
    const v4l2_fract fifth = intervalOf(2'000'000);
    EXPECT_EQ(fifth.numerator, 1u);
    EXPECT_EQ(fifth.denominator, 5u);
    EXPECT_EQ(periodOf(intervalOf(333'333)), 333'333u);
    EXPECT_EQ(intervalOf(0).numerator, 0u);
}

TEST(V4l2Stride, PaddedRowsKeepTheirPaddingShortOnesAreWidened)
{
    v4l2_pix_format f{};
    f.width = 637;
    f.bytesperline = 1912; // 3 x 637 = 1911, padded to a multiple of 4
    EXPECT_EQ(strideOf(f), 1912u);
    f.bytesperline = 0; // drivers that leave it to us
    EXPECT_EQ(strideOf(f), 1911u);
    f.bytesperline = 100;
    EXPECT_EQ(strideOf(f), 1911u);
}

} // namespace
} // namespace velmora::platform::v4l2
