#include "client/guiding/distribution_graph.h"

#include "client/guiding/graph_test_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <random>
#include <vector>

namespace velmora::client {
namespace {

constexpr std::array<bool, 2> kBothAxes{true, true};

TEST(DistributionGraph, EmptyHistoryDrawsOnlyTheBaseline)
{
    const GraphTestHistory history;
    const DistributionGraph graph =
        drawDistributionGraph(history.series(), DistributionGraphSettings{}, kBothAxes, 120, 100);
    EXPECT_EQ(graph.drawing.width, 150);
    EXPECT_EQ(graph.drawing.height, 115);
    EXPECT_EQ(graph.drawing.lines,
              (std::vector<GraphLine>{{{0, 100}, {150, 100}, graph_colours::kBaseline}}));
    EXPECT_TRUE(graph.drawing.polylines.empty());
    EXPECT_TRUE(graph.drawing.texts.empty());
    for (const DistributionFields& fields : graph.fields) {
        EXPECT_FALSE(fields.valuesRange);
        EXPECT_FALSE(fields.probabilityRange);
    }
    EXPECT_EQ(rangeFieldText(graph.fields[0].valuesRange), "");
}

TEST(DistributionGraph, AxisOfEqualOffsetsHasBlankFieldsAndNoCurve)
{
    GraphTestHistory history;
    for (int i = 0; i < 20; ++i)
        history.add(20.0 - i, 1.5, std::sin(i * 0.7));
    const DistributionGraph both =
        drawDistributionGraph(history.series(), DistributionGraphSettings{}, kBothAxes, 120, 100);
    EXPECT_FALSE(both.fields[0].valuesRange);
    EXPECT_FALSE(both.fields[0].probabilityRange);
    EXPECT_EQ(rangeFieldText(both.fields[0].probabilityRange), "");
    ASSERT_TRUE(both.fields[1].valuesRange);
    ASSERT_TRUE(both.fields[1].probabilityRange);
    ASSERT_EQ(both.drawing.polylines.size(), 1u);
    EXPECT_EQ(both.drawing.polylines[0].colour, graph_colours::kVertical);

    // Shown alone, the constant axis spans no range: no grid, no labels, no curve.
    const DistributionGraph alone =
        drawDistributionGraph(history.series(), DistributionGraphSettings{}, {true, false}, 120, 100);
    EXPECT_EQ(alone.drawing.lines.size(), 1u);
    EXPECT_TRUE(alone.drawing.texts.empty());
    EXPECT_TRUE(alone.drawing.polylines.empty());
    EXPECT_EQ(alone.fields[1].valuesRange, both.fields[1].valuesRange); // unshown axes keep their fields
}

TEST(DistributionGraph, GridSpansPlusMinusTheLargestMagnitudeOfTheShownAxes)
{
    GraphTestHistory history;
    for (const double h : {-3.0, -2.0, 1.0, 2.5, 2.5})
        history.add(0.0, h, 100.0 + h);
    const DistributionGraph graph =
        drawDistributionGraph(history.series(), DistributionGraphSettings{}, {true, false}, 120, 100);
    // R = 3: x = j·20 + 60 + 15.
    const std::vector<GraphLine> expectedLines{
        {{0, 100}, {150, 100}, graph_colours::kBaseline}, {{15, 0}, {15, 100}, graph_colours::kGrid},
        {{35, 0}, {35, 100}, graph_colours::kGrid},       {{55, 0}, {55, 100}, graph_colours::kGrid},
        {{75, 0}, {75, 115}, graph_colours::kBaseline},   {{95, 0}, {95, 100}, graph_colours::kGrid},
        {{115, 0}, {115, 100}, graph_colours::kGrid},     {{135, 0}, {135, 100}, graph_colours::kGrid},
    };
    EXPECT_EQ(graph.drawing.lines, expectedLines);
    const std::vector<std::string> labels{"-3.0", "-2.0", "-1.0", "0.0", "1.0", "2.0", "3.0"};
    ASSERT_EQ(graph.drawing.texts.size(), labels.size());
    for (std::size_t j = 0; j < labels.size(); ++j) {
        EXPECT_EQ(graph.drawing.texts[j].text, labels[j]);
        EXPECT_EQ(graph.drawing.texts[j].at, (GraphPoint{expectedLines[j + 1].from.x - 14, 102}));
        EXPECT_EQ(graph.drawing.texts[j].colour, graph_colours::kText);
    }

    // Both shown: the vertical axis's 103 sets R.
    const DistributionGraph both =
        drawDistributionGraph(history.series(), DistributionGraphSettings{}, kBothAxes, 120, 100);
    EXPECT_EQ(both.drawing.texts.back().text, "102.5");
    EXPECT_EQ(both.drawing.texts.front().text, "-102.5");
}

TEST(DistributionGraph, StepOutlineOfTheBinCounts)
{
    GraphTestHistory history;
    for (const double h : {-3.0, -2.0, 1.0, 2.5, 2.5})
        history.add(0.0, h, 0.0);
    DistributionGraphSettings settings;
    settings.binNumber = {2, 10};
    const DistributionGraph graph = drawDistributionGraph(history.series(), settings, kBothAxes, 120, 100);
    ASSERT_EQ(graph.drawing.polylines.size(), 1u);
    // Bins [−3, −0.25) with 2 samples and [−0.25, 2.5] with 3; X(v) = trunc((v + 3) × 20) + 15.
    EXPECT_EQ(graph.drawing.polylines[0].points,
              (std::vector<GraphPoint>{{15, 100}, {15, 34}, {70, 34}, {70, 0}, {125, 0}, {125, 100}}));
    EXPECT_EQ(graph.drawing.polylines[0].colour, graph_colours::kHorizontal);
}

TEST(DistributionGraph, ProbabilityRangeTrimsTheTailsOnFineBins)
{
    // 0…999 shuffled: one sample per fine bin, about ten bins apart.
    std::vector<double> values(1000);
    std::iota(values.begin(), values.end(), 0.0);
    std::shuffle(values.begin(), values.end(), std::mt19937(5));
    const ValueSpan span{0.0, 999.0};

    EXPECT_EQ(trimmedSamples(1000, 95), 25);
    const DistributionFields fields = distributionFields(values, 95);
    ASSERT_TRUE(fields.valuesRange);
    EXPECT_DOUBLE_EQ(*fields.valuesRange, 999.0);
    // 25 samples go from each end: the interval runs from the bin after sample 24 to
    // the bin before sample 975.
    const int lo = binIndex(24.0, span, kDistributionFineBins) + 1;
    const int hi = binIndex(975.0, span, kDistributionFineBins) - 1;
    ASSERT_TRUE(fields.probabilityRange);
    EXPECT_DOUBLE_EQ(*fields.probabilityRange, 999.0 * (hi - lo + 1) * 0.0001);
    const int lo24 = binIndex(23.0, span, kDistributionFineBins) + 1;
    const int hi24 = binIndex(976.0, span, kDistributionFineBins) - 1;
    EXPECT_NE(*fields.probabilityRange, 999.0 * (hi24 - lo24 + 1) * 0.0001);
    EXPECT_EQ(rangeFieldText(fields.valuesRange), "999.00");
    EXPECT_EQ(rangeFieldText(fields.probabilityRange), "950.85");
}

TEST(DistributionGraph, ProbabilityOneKeepsTheWholeRangeAndZeroNeverGoesNegative)
{
    const std::vector<double> values{0.0, 0.5, 0.5, 1.0};
    EXPECT_DOUBLE_EQ(*distributionFields(values, 100).probabilityRange, 1.0);
    // P = 0 trims two from each end: both middle samples share a bin, so the bins
    // would cross; the width is then 0.
    EXPECT_DOUBLE_EQ(*distributionFields(values, 0).probabilityRange, 0.0);
}

TEST(DistributionGraph, BinIndexStaysInsideTheBins)
{
    const ValueSpan wide{0.0, 1e8};
    EXPECT_EQ(binIndex(1e8, wide, 10), 9);
    EXPECT_EQ(binIndex(0.0, wide, 10), 0);
    const ValueSpan narrow{-1.0, 1.0};
    EXPECT_EQ(binIndex(1.0, narrow, 10000), 9999);
    EXPECT_EQ(binIndex(0.0, narrow, 10000), 4999);
    EXPECT_EQ(binIndex(std::nan(""), narrow, 10), 0);
}

} // namespace
} // namespace velmora::client
