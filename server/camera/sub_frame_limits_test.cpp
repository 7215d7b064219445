// The sub-frame setters' clamping, including frames narrower than the 128-pixel minimum.
#include "server/camera/sub_frame_limits.h"

#include <gtest/gtest.h>

#include <climits>

namespace velmora::server {
namespace {

struct Axis {
    int start = 0;
    int size = 0;
};

Axis putStart(Axis a, int value, int extent)
{
    SubFrameLimits::putStart(value, a.start, a.size, extent);
    return a;
}

Axis putSize(Axis a, int value, int extent)
{
    SubFrameLimits::putSize(value, a.start, a.size, extent);
    return a;
}

Axis fit(Axis a, int extent)
{
    SubFrameLimits::fit(a.start, a.size, extent);
    return a;
}

TEST(SubFrameLimits, StartAndSizeStayInsideTheFrameAndAtLeast128)
{
    Axis a = putStart({0, 640}, 10000, 640);
    EXPECT_EQ(a.start, 512);
    EXPECT_EQ(a.size, 128);
    a = putSize({0, 640}, 50, 640);
    EXPECT_EQ(a.size, 128);
    a = putSize({600, 128}, 300, 640); // the start gives way to the size
    EXPECT_EQ(a.start, 340);
    EXPECT_EQ(a.size, 300);
    a = putStart({0, 640}, INT_MIN, 640);
    EXPECT_EQ(a.start, 0);
    EXPECT_EQ(a.size, 640);
    a = putSize({5, 100}, INT_MAX, 480);
    EXPECT_EQ(a.start, 0);
    EXPECT_EQ(a.size, 480);
    a = fit({700, 5000}, 640);
    EXPECT_EQ(a.start, 0);
    EXPECT_EQ(a.size, 640);
    a = fit({600, 10}, 640);
    EXPECT_EQ(a.start, 512);
    EXPECT_EQ(a.size, 128);
}

TEST(SubFrameLimits, AFrameNarrowerThan128IsItsOwnSmallestSubFrame)
{
    Axis a = putStart({0, 128}, 10, 100);
    EXPECT_EQ(a.start, 0);
    EXPECT_EQ(a.size, 100);
    a = fit({30, 128}, 100);
    EXPECT_EQ(a.start, 0);
    EXPECT_EQ(a.size, 100);
    a = putSize({0, 0}, 5, 0); // no format known yet: still a valid, tiny axis
    EXPECT_EQ(a.start, 0);
    EXPECT_EQ(a.size, 1);
}

} // namespace
} // namespace velmora::server
