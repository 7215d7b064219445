#include "client/guiding/fft_graph.h"

#include "client/guiding/graph_test_history.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace velmora::client {
namespace {

constexpr std::array<bool, 2> kBothAxes{true, true};

GraphTestHistory sineHistory(std::size_t count, double periodSec)
{
    GraphTestHistory history;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(count - 1 - i);
        history.add(t, std::sin(kPeriodogramTwoPi * t / periodSec),
                    0.5 * std::cos(kPeriodogramTwoPi * t / 7.0));
    }
    return history;
}

TEST(FftGraph, EmptyHistoryDrawsOnlyThePeriodAxis)
{
    const GraphTestHistory history;
    Periodogram periodogram;
    FftGraphSettings settings;
    settings.xScale = 3;
    const FftGraph graph = drawFftGraph(periodogram, history.series(), settings, kBothAxes, 300, 200);
    EXPECT_EQ(graph.drawing.width, 310);
    EXPECT_EQ(graph.drawing.height, 215);
    EXPECT_TRUE(graph.drawing.polylines.empty());
    EXPECT_EQ(graph.peakLists[0], "");
    EXPECT_EQ(graph.peakLists[1], "");

    ASSERT_EQ(graph.drawing.lines.size(), 1u + 3u * 8u + 4u);
    EXPECT_EQ(graph.drawing.lines[0], (GraphLine{{0, 200}, {310, 200}, graph_colours::kBaseline}));
    // x = trunc(log10(T) × 100) + 5: the minor lines of the first decade, 2 … 9 s.
    const std::vector<int> firstDecade{35, 52, 65, 74, 82, 89, 95, 100};
    for (std::size_t m = 0; m < firstDecade.size(); ++m)
        EXPECT_EQ(graph.drawing.lines[1 + m],
                  (GraphLine{{firstDecade[m], 0}, {firstDecade[m], 200}, graph_colours::kGrid}));
    EXPECT_EQ(graph.drawing.lines[9].from.x, 135); // 20 s
    const std::vector<std::string> labels{"1", "10", "100", "1000"};
    for (int k = 0; k <= 3; ++k) {
        const int x = 100 * k + 5;
        EXPECT_EQ(graph.drawing.lines[25 + static_cast<std::size_t>(k)],
                  (GraphLine{{x, 0}, {x, 215}, graph_colours::kDecade}));
        EXPECT_EQ(graph.drawing.texts[static_cast<std::size_t>(k)],
                  (GraphText{{x, 202}, labels[static_cast<std::size_t>(k)], graph_colours::kText}));
    }
    EXPECT_EQ(graph.drawing.texts.size(), 4u);
}

TEST(FftGraph, CurvesPlotEachColumnsPower)
{
    const GraphTestHistory history = sineHistory(2000, 300.0);
    Periodogram periodogram;
    FftGraphSettings settings;
    settings.xScale = 3;
    const FftGraph graph = drawFftGraph(periodogram, history.series(), settings, kBothAxes, 499, 150);
    ASSERT_EQ(graph.drawing.polylines.size(), 2u);
    for (int axis = 0; axis < 2; ++axis) {
        const GraphPolyline& curve = graph.drawing.polylines[static_cast<std::size_t>(axis)];
        EXPECT_EQ(curve.colour, axis == 0 ? graph_colours::kHorizontal : graph_colours::kVertical);
        ASSERT_EQ(curve.points.size(), 500u);
        for (std::size_t s = 0; s < curve.points.size(); s += 37) {
            EXPECT_EQ(curve.points[s].x, static_cast<int>(s) + 5);
            EXPECT_EQ(curve.points[s].y, static_cast<int>((1.0 - periodogram.power(axis)[s]) * 150));
        }
    }
}

TEST(FftGraph, PeakListsShowTheStrongestPeaksUpToMaxPeakNumber)
{
    const GraphTestHistory history = sineHistory(3000, 300.0);
    Periodogram periodogram;
    FftGraphSettings settings;
    settings.xScale = 3;
    settings.maxPeakNumber = {3, 0};
    const FftGraph graph = drawFftGraph(periodogram, history.series(), settings, kBothAxes, 499, 150);
    EXPECT_EQ(graph.peakLists[0], peakListText(periodogram.peaks(0), 3));
    EXPECT_EQ(std::count(graph.peakLists[0].begin(), graph.peakLists[0].end(), '\n'), 3);
    const double strongest = std::stod(graph.peakLists[0].substr(0, graph.peakLists[0].find('\t')));
    EXPECT_NEAR(std::log10(strongest), std::log10(300.0), 3.0 / 499);
    EXPECT_FALSE(periodogram.peaks(1).empty());
    EXPECT_EQ(graph.peakLists[1], ""); // Max Peak Number 0

    const FftGraph horizontalOnly =
        drawFftGraph(periodogram, history.series(), settings, {true, false}, 499, 150);
    EXPECT_EQ(horizontalOnly.drawing.polylines.size(), 1u);
    settings.maxPeakNumber = {3, 3};
    const FftGraph unshown = drawFftGraph(periodogram, history.series(), settings, {true, false}, 499, 150);
    EXPECT_EQ(unshown.peakLists[1], "");
}

} // namespace
} // namespace velmora::client
