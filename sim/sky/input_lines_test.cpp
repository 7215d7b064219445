#include "sim/sky/any_of_inputs.h"
#include "sim/sky/input_segments.h"
#include "sim/sky/mapped_line_inputs.h"
#include "sim/sky/recorded_input_lines.h"
#include "sim/sky/test_line_record.h"

#include <gtest/gtest.h>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
using TimePoint = InputLines::TimePoint;

const TimePoint t0 = TimePoint{} + 1h;

using testing::LineRecord;

TEST(RecordedInputLinesTest, StateAtATimeAndChangesInAnInterval)
{
    RecordedInputLines lines(kGuideNorth);
    lines.set(kGuideEast, t0 + 100ms);
    lines.set(0, t0 + 300ms);
    lines.set(kGuideWest, t0 + 200ms); // dated before the last change: recorded at it
    EXPECT_EQ(lines.activeAt(t0), kGuideNorth);
    EXPECT_EQ(lines.activeAt(t0 + 100ms), kGuideEast);
    EXPECT_EQ(lines.activeAt(t0 + 299ms), kGuideEast);
    EXPECT_EQ(lines.activeAt(t0 + 300ms), kGuideWest);
    EXPECT_EQ(lines.changesBetween(t0 + 100ms, t0 + 300ms), (std::vector<TimePoint>{t0 + 300ms, t0 + 300ms}));
    EXPECT_TRUE(lines.changesBetween(t0 + 300ms, t0 + 1s).empty());
}

TEST(InputSegmentsTest, SplitsAtChangesWithinTheInterval)
{
    RecordedInputLines lines;
    lines.set(kExposureActive, t0 + 250ms);
    lines.set(0, t0 + 500ms);
    std::vector<std::pair<unsigned, std::chrono::nanoseconds>> pieces;
    forEachInputSegment(lines, t0 + 200ms, t0 + 600ms, [&](unsigned active, std::chrono::nanoseconds length) {
        pieces.emplace_back(active, length);
    });
    const std::vector<std::pair<unsigned, std::chrono::nanoseconds>> expected = {
        {0u, 50ms}, {kExposureActive, 250ms}, {0u, 100ms}};
    EXPECT_EQ(pieces, expected);
    pieces.clear();
    forEachInputSegment(lines, t0 + 600ms, t0 + 600ms,
                        [&](unsigned a, auto l) { pieces.emplace_back(a, l); });
    EXPECT_TRUE(pieces.empty());
}

TEST(MappedLineInputsTest, LinesAtTheirActiveLevelAfterRest)
{
    // The telescope's default words: North line 7, South 6, East 5, West 4, active high.
    LineRecord port(0x00);
    const MappedLineInputs guide = port.inputs({{7, true}, {6, true}, {5, true}, {4, true}});
    port.set(0x0F, t0 + 10ms); // the camera's rest word
    port.set(0x8F, t0 + 20ms); // North held
    port.set(0x0F, t0 + 120ms);
    port.set(0x1F, t0 + 130ms); // West held
    EXPECT_EQ(guide.activeAt(t0 + 50ms), kGuideNorth);
    EXPECT_EQ(guide.activeAt(t0 + 125ms), 0u);
    EXPECT_EQ(guide.activeAt(t0 + 200ms), kGuideWest);
    EXPECT_EQ(guide.changesBetween(t0, t0 + 125ms).size(), 3u);

    // The camera's exposure: line 0 pulled low. The register powers up at 0, which
    // must not count as an exposure before the rest word has been written.
    const MappedLineInputs exposure = port.inputs({{0, false}});
    LineRecord fresh(0x00);
    const MappedLineInputs freshExposure = fresh.inputs({{0, false}});
    EXPECT_EQ(freshExposure.activeAt(t0 + 1s), 0u);
    fresh.set(0x0F, t0 + 2s);
    fresh.set(0x04, t0 + 3s);
    EXPECT_EQ(freshExposure.activeAt(t0 + 2500ms), 0u);
    EXPECT_EQ(freshExposure.activeAt(t0 + 3s), kExposureActive);
    EXPECT_EQ(exposure.activeAt(t0 + 5ms), 0u);
}

TEST(AnyOfInputsTest, EitherSourceCounts)
{
    RecordedInputLines parallel;
    RecordedInputLines relay;
    parallel.set(kGuideEast, t0 + 10ms);
    relay.set(kGuideSouth, t0 + 10ms);
    relay.set(0, t0 + 30ms);
    const AnyOfInputs both({&parallel, &relay});
    EXPECT_EQ(both.activeAt(t0 + 20ms), kGuideEast | kGuideSouth);
    EXPECT_EQ(both.activeAt(t0 + 40ms), kGuideEast);
    EXPECT_EQ(both.changesBetween(t0, t0 + 1s), (std::vector<TimePoint>{t0 + 10ms, t0 + 30ms}));
}

} // namespace
} // namespace velmora::sim
