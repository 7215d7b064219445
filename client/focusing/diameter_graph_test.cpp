#include "client/focusing/diameter_graph.h"

#include "client/focusing/diameter_drawing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace velmora::client {
namespace {

constexpr int kNear = DiameterGraph::kNearSide;
constexpr int kFar = DiameterGraph::kFarSide;
constexpr int kForward = DiameterGraph::kForwardPass;
constexpr int kBackward = DiameterGraph::kBackwardPass;

std::vector<double> ys(const std::vector<DiameterPoint>& points)
{
    std::vector<double> values;
    for (const DiameterPoint& p : points)
        values.push_back(p.y);
    return values;
}

std::vector<DiameterPoint> points(std::initializer_list<double> values)
{
    std::vector<DiameterPoint> result;
    for (double v : values)
        result.push_back({0.0, v});
    return result;
}

// The default range: 100 … 400 below the centre 500, 600 … 900 above, step 10.
void resetDefault(DiameterGraph& graph)
{
    graph.Reset(400, 100, 10, 600, 900);
}

// A V with its vertex at `vertex`: k × |p − vertex| on every position of both sides.
void addV(DiameterGraph& graph, int pass, double vertex, double k = 0.05)
{
    for (int p = 100; p <= 400; p += 10)
        graph.AddPoint(p, k * std::abs(p - vertex), kNear, pass);
    for (int p = 600; p <= 900; p += 10)
        graph.AddPoint(p, k * std::abs(p - vertex), kFar, pass);
}

TEST(DiameterGraphTest, TickStepsLeaveAtMostNineIntervals)
{
    DiameterGraph graph;
    graph.Reset(120, 100, 5, 130, 145);
    EXPECT_EQ(graph.tickStep(), 5) << "a span of 45";
    graph.Reset(150, 100, 10, 170, 220);
    EXPECT_EQ(graph.tickStep(), 25) << "a span of 120";
    EXPECT_EQ(DiameterGraph::tickStepFor(90), 10);
    EXPECT_EQ(DiameterGraph::tickStepFor(800), 100);
    EXPECT_EQ(DiameterGraph::tickStepFor(49999), 5000);
    EXPECT_EQ(DiameterGraph::tickStepFor(50000), 10000);
}

TEST(DiameterGraphTest, BeforeAFitTheFocusIsTheMiddleAndTheBacklashZero)
{
    DiameterGraph graph;
    resetDefault(graph);
    EXPECT_FALSE(graph.fitted());
    EXPECT_EQ(graph.FocusOf(kForward), 500);
    EXPECT_EQ(graph.FocusOf(kBackward), 500);
    EXPECT_EQ(graph.BacklashEstimate(), 0);
    EXPECT_EQ(graph.yMin(), 10000.0);
    EXPECT_EQ(graph.yMax(), -10000.0);
    // Points do not change that until the fit.
    addV(graph, kForward, 537);
    EXPECT_EQ(graph.FocusOf(kForward), 500);
}

TEST(DiameterGraphTest, PointsAreScaledTheNearSideNegatedAndTheScaleKeptSymmetric)
{
    DiameterGraph graph;
    resetDefault(graph);
    EXPECT_TRUE(graph.AddPoint(300, 4.0, kNear, kForward));
    EXPECT_EQ(graph.series(0).recorded.back(), (DiameterPoint{0.25, -4.0}));
    EXPECT_EQ(graph.yMin(), -4.0);
    EXPECT_EQ(graph.yMax(), 4.0);
    EXPECT_TRUE(graph.AddPoint(700, 6.0, kFar, kBackward));
    EXPECT_EQ(graph.series(3).recorded.back(), (DiameterPoint{0.75, 6.0}));
    EXPECT_EQ(graph.series(3).working.back(), (DiameterPoint{0.75, 6.0}));
    EXPECT_EQ(graph.yMin(), -6.0);
    EXPECT_EQ(graph.yMax(), 6.0);
    EXPECT_FALSE(graph.AddPoint(700, 6.0, 2, kForward));
    EXPECT_FALSE(graph.AddPoint(700, 6.0, kFar, -1));
}

TEST(DiameterGraphTest, NoSeriesTakesMorePointsThanItsCapacity)
{
    DiameterGraph graph;
    graph.Reset(405, 100, 10, 600, 900); // 405 is off the grid: 31 points fit, not 32
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(graph.series(k).capacity, 31);
    for (int i = 0; i < 31; ++i)
        ASSERT_TRUE(graph.AddPoint(100 + 10 * i, 1.0, kNear, kBackward));
    EXPECT_FALSE(graph.AddPoint(100, 1.0, kNear, kBackward));
    EXPECT_EQ(graph.series(2).count(), 31);
    EXPECT_EQ(graph.series(0).count(), 0);
    // A range of nothing takes nothing.
    graph.Reset(90, 100, 10, 600, 590);
    EXPECT_FALSE(graph.AddPoint(100, 1.0, kNear, kForward));
    EXPECT_FALSE(graph.AddPoint(600, 1.0, kFar, kForward));
}

TEST(DiameterGraphTest, TheMedianWorksInPlaceOverDistinctValues)
{
    FilterSettings median;
    median.useMedian = true;
    median.medianNumber = 3;
    std::vector<DiameterPoint> series = points({1, 9, 2, 8, 3});
    filterSeries(series, median);
    EXPECT_EQ(ys(series), (std::vector<double>{1, 2, 8, 8, 3}));
    // A window with fewer distinct values than its rank keeps its largest one: equal
    // diameters stay, they do not jump to the scale's end.
    series = points({5, 5, 5, 5});
    filterSeries(series, median);
    EXPECT_EQ(ys(series), (std::vector<double>{5, 5, 5, 5}));
    median.medianNumber = 5;
    series = points({-3, 7, 7, -3, 7, 1});
    filterSeries(series, median); // i = 2: {−3, 7} → 7; i = 3: {7, −3, 7, 1} distinct {−3, 1, 7} → 7
    EXPECT_EQ(ys(series), (std::vector<double>{-3, 7, 7, 7, 7, 1}));
}

TEST(DiameterGraphTest, TheMovingAverageWorksInPlace)
{
    FilterSettings linear;
    linear.useLinear = true;
    linear.linearNumber = 3;
    std::vector<DiameterPoint> series = points({3, 0, 6, 0});
    filterSeries(series, linear); // i = 1: (3 + 0 + 6) / 3 = 3; i = 2: (3 + 6 + 0) / 3 = 3
    EXPECT_EQ(ys(series), (std::vector<double>{3, 3, 3, 0}));
    // The median first, then the average of its output.
    linear.useMedian = true;
    series = points({1, 9, 2, 8, 3});
    filterSeries(series, linear); // median 1, 2, 8, 8, 3 → 1, 11/3, (11/3 + 16)/3, …
    EXPECT_DOUBLE_EQ(series[1].y, 11.0 / 3.0);
    EXPECT_DOUBLE_EQ(series[2].y, (11.0 / 3.0 + 8.0 + 8.0) / 3.0);
}

TEST(DiameterGraphTest, FiltersSkipSeriesShorterThanTheirWindow)
{
    FilterSettings both;
    both.useMedian = both.useLinear = true;
    both.medianNumber = 5;
    both.linearNumber = 5;
    std::vector<DiameterPoint> series = points({1, 9, 2, 8});
    filterSeries(series, both);
    EXPECT_EQ(ys(series), (std::vector<double>{1, 9, 2, 8}));
    both.medianNumber = 3; // the median applies, the average still does not
    filterSeries(series, both);
    EXPECT_EQ(ys(series), (std::vector<double>{1, 2, 8, 8}));
}

TEST(DiameterGraphTest, EachPassFitsBothSidesAndTheirFociGiveTheBacklash)
{
    DiameterGraph graph;
    resetDefault(graph);
    addV(graph, kForward, 537);
    addV(graph, kBackward, 507);
    graph.Fit();
    EXPECT_TRUE(graph.fitted());
    EXPECT_NEAR(graph.FocusOf(kForward), 537, 1);
    EXPECT_NEAR(graph.FocusOf(kBackward), 507, 1);
    EXPECT_NEAR(graph.BacklashEstimate(), 30, 1);
    EXPECT_NEAR(graph.slope(kForward), 0.05 * 800, 1e-9) << "per unit of x";
    EXPECT_EQ(graph.fitProblem(kForward), FitProblem::None);
    EXPECT_EQ(graph.fitProblem(kBackward), FitProblem::None);
    // Refitting starts from the recorded points again.
    graph.Fit();
    EXPECT_NEAR(graph.FocusOf(kForward), 537, 1);
}

TEST(DiameterGraphTest, AFitWithoutTwoPositionsOrWithoutAZeroInsideIsFlagged)
{
    DiameterGraph graph;
    resetDefault(graph);
    graph.AddPoint(300, 2.0, kNear, kForward);
    graph.AddPoint(300, 2.5, kNear, kForward);
    graph.Fit();
    EXPECT_EQ(graph.fitProblem(kForward), FitProblem::TooFewPositions);
    EXPECT_EQ(graph.fitProblem(kBackward), FitProblem::TooFewPositions) << "no points at all";
    EXPECT_EQ(graph.FocusOf(kForward), 500) << "the initial line, not a division by zero";

    // Diameters of 0 (no image scale set): a flat line through zero has no crossing.
    resetDefault(graph);
    addV(graph, kForward, 537, 0.0);
    graph.Fit();
    EXPECT_EQ(graph.fitProblem(kForward), FitProblem::NoZeroInRange);
    // One side only, whose line stays below zero across the range.
    resetDefault(graph);
    for (int p = 100; p <= 400; p += 10)
        graph.AddPoint(p, 10.0 + p / 100.0, kNear, kBackward);
    graph.Fit();
    EXPECT_EQ(graph.fitProblem(kBackward), FitProblem::NoZeroInRange);
    EXPECT_LT(graph.FocusOf(kBackward), 100);
}

// ---- Drawing ---------------------------------------------------------------------

bool hasDot(const GraphDrawing& d, int x, int y, RgbColour colour)
{
    return std::any_of(d.lines.begin(), d.lines.end(), [&](const GraphLine& l) {
        return l.from == GraphPoint{x, y} && l.to == GraphPoint{x, y} && l.colour == colour;
    });
}

TEST(DiameterDrawingTest, AxesAndPositionTicksWithoutData)
{
    DiameterGraph graph;
    resetDefault(graph); // span 800: ticks every 100
    const GraphDrawing d = drawDiameterGraph(graph, 310, 200);
    ASSERT_GE(d.lines.size(), 2u);
    EXPECT_EQ(d.lines[0], (GraphLine{{3, 0}, {3, 200}, diameter_colours::kAxes}));
    EXPECT_EQ(d.lines[1], (GraphLine{{0, 100}, {310, 100}, diameter_colours::kAxes}));
    ASSERT_EQ(d.texts.size(), 8u) << "100 … 800 (900 is the right edge)";
    EXPECT_EQ(d.texts[0], (GraphText{{3, 102}, "100", diameter_colours::kText}));
    EXPECT_EQ(d.texts[7], (GraphText{{3 + 700 * 300 / 800, 102}, "800", diameter_colours::kText}));
    EXPECT_EQ(d.lines[2], (GraphLine{{5, 97}, {5, 103}, diameter_colours::kAxes}));
    EXPECT_EQ(d.lines.size(), 10u) << "no value ticks, points or lines before a point";
}

TEST(DiameterDrawingTest, ValueTicksPointsAndFittedLines)
{
    DiameterGraph graph;
    resetDefault(graph);
    addV(graph, kForward, 537, 0.5);
    addV(graph, kBackward, 507, 0.5);
    const int w = 310;
    const int h = 210;
    GraphDrawing d = drawDiameterGraph(graph, w, h);
    // The scale is ±218.5 (the far end, 0.5 × 437).
    ASSERT_EQ(graph.yMax(), 218.5);
    const auto label =
        std::find_if(d.texts.begin(), d.texts.end(), [](const GraphText& t) { return t.text == "-218.5"; });
    ASSERT_NE(label, d.texts.end());
    EXPECT_EQ(label->at, (GraphPoint{7, 200})) << "yMin at the bottom";
    EXPECT_TRUE(
        std::any_of(d.texts.begin(), d.texts.end(), [](const GraphText& t) { return t.text == "218.5"; }));
    // The forward point at 100 (y = −218.5) is yellow at the bottom-left; the backward
    // one at 900 (y = 196.5) red near the top right.
    EXPECT_TRUE(hasDot(d, 5, 205, diameter_colours::kForwardPoint));
    const int top = static_cast<int>((218.5 - 196.5) / 437.0 * 200) + 5;
    EXPECT_TRUE(hasDot(d, 305, top, diameter_colours::kBackwardPoint));
    const auto count = [&](RgbColour colour) {
        return std::count_if(d.lines.begin(), d.lines.end(),
                             [&](const GraphLine& l) { return l.colour == colour; });
    };
    EXPECT_EQ(count(diameter_colours::kForwardLine), 0) << "no lines before the fit";
    graph.Fit();
    d = drawDiameterGraph(graph, w, h);
    EXPECT_EQ(count(diameter_colours::kForwardLine), w);
    EXPECT_EQ(count(diameter_colours::kBackwardLine), w);
    // The forward line crosses the middle row at the forward focus.
    const int column = (537 - 100) * 300 / 800 + 5;
    EXPECT_TRUE(hasDot(d, column, h / 2, diameter_colours::kForwardLine) ||
                hasDot(d, column, h / 2 - 1, diameter_colours::kForwardLine));
}

TEST(DiameterDrawingTest, AnAreaWithinTheMarginsDrawsOnlyTheBackground)
{
    DiameterGraph graph;
    resetDefault(graph);
    addV(graph, kForward, 537);
    graph.Fit();
    const GraphDrawing d = drawDiameterGraph(graph, 10, 100);
    EXPECT_TRUE(d.lines.empty());
    EXPECT_TRUE(d.texts.empty());
}

} // namespace
} // namespace velmora::client
