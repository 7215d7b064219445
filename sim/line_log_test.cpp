#include "sim/line_log.h"

#include <gtest/gtest.h>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
using TimePoint = std::chrono::steady_clock::time_point;

TEST(LineLog, RecordsEachChangeWithItsTime)
{
    TimePoint now{};
    LineLog lines(0x0F, [&] { return now; });
    now += 5ms;
    lines.set(0x0F); // no change, no record
    lines.set(0x0B);
    now += 250ms;
    lines.set(0x0F);

    auto changes = lines.changes();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[0].time, TimePoint{} + 5ms);
    EXPECT_EQ(changes[0].before, 0x0F);
    EXPECT_EQ(changes[0].after, 0x0B);
    EXPECT_EQ(changes[1].time, TimePoint{} + 255ms);
    EXPECT_EQ(lines.value(), 0x0F);
    EXPECT_EQ(lines.changeCount(), 2u);

    EXPECT_EQ(lines.valueAt(TimePoint{}), 0x0F);
    EXPECT_EQ(lines.valueAt(TimePoint{} + 5ms), 0x0B);
    EXPECT_EQ(lines.valueAt(TimePoint{} + 100ms), 0x0B);
    EXPECT_EQ(lines.valueAt(TimePoint{} + 1s), 0x0F);
}

TEST(LineLog, KeepsABoundedRecord)
{
    TimePoint now{};
    LineLog lines(0, [&] { return now; });
    for (std::size_t i = 0; i < LineLog::kCapacity + 10; ++i) {
        now += 1ms;
        lines.set(static_cast<std::uint8_t>(i % 2 ? 0 : 1));
    }
    EXPECT_EQ(lines.changes().size(), LineLog::kCapacity);
    EXPECT_EQ(lines.changeCount(), LineLog::kCapacity + 10);
    lines.clearChanges();
    EXPECT_TRUE(lines.changes().empty());
    EXPECT_EQ(lines.valueAt(TimePoint{}), lines.value());
}

} // namespace
} // namespace velmora::sim
