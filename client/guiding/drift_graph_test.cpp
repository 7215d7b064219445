#include "client/guiding/drift_graph.h"

#include "client/guiding/graph_test_history.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace velmora::client {
namespace {

constexpr std::array<bool, 2> kBothAxes{true, true};

std::vector<int> verticalLineXs(const GraphDrawing& drawing)
{
    std::vector<int> xs;
    for (const GraphLine& line : drawing.lines)
        if (line.from.x == line.to.x)
            xs.push_back(line.from.x);
    return xs;
}

std::vector<int> horizontalGridYs(const GraphDrawing& drawing)
{
    std::vector<int> ys;
    for (const GraphLine& line : drawing.lines)
        if (line.from.y == line.to.y && line.colour == graph_colours::kGrid)
            ys.push_back(line.from.y);
    return ys;
}

const GraphText* labelAt(const GraphDrawing& drawing, GraphPoint at)
{
    for (const GraphText& text : drawing.texts)
        if (text.at == at)
            return &text;
    return nullptr;
}

std::string labelTextAt(const GraphDrawing& drawing, GraphPoint at)
{
    const GraphText* text = labelAt(drawing, at);
    return text ? text->text : "(none)";
}

TEST(DriftGraph, EmptyHistoryDrawsOnlyTheZeroLineAndGrid)
{
    const GraphTestHistory history;
    const GraphDrawing drawing = drawDriftGraph(history.series(), DriftGraphSettings{}, kBothAxes, 100, 100);
    EXPECT_EQ(drawing.width, 100);
    EXPECT_EQ(drawing.height, 100);
    EXPECT_EQ(drawing.background, (RgbColour{0, 0, 0}));
    EXPECT_TRUE(drawing.polylines.empty());
    ASSERT_FALSE(drawing.lines.empty());
    EXPECT_EQ(drawing.lines[0], (GraphLine{{0, 50}, {100, 50}, graph_colours::kBaseline}));
    for (std::size_t i = 1; i < drawing.lines.size(); ++i)
        EXPECT_EQ(drawing.lines[i].colour, graph_colours::kGrid);
    // t0 = 0: the line of time 0 at the right edge, the earlier ones unlabelled.
    EXPECT_EQ(verticalLineXs(drawing), (std::vector<int>{100, 70, 40, 10}));
    EXPECT_EQ(labelTextAt(drawing, {86, 52}), "0.0");
    // 30 pixels above and below the zero line fit; 60 do not.
    EXPECT_EQ(horizontalGridYs(drawing), (std::vector<int>{20, 80}));
    EXPECT_EQ(labelTextAt(drawing, {2, 22}), "100");
    EXPECT_EQ(labelTextAt(drawing, {2, 82}), "-100");
    EXPECT_EQ(drawing.texts.size(), 3u);
    for (const GraphText& text : drawing.texts)
        EXPECT_EQ(text.colour, graph_colours::kText);
}

TEST(DriftGraph, VerticalLinesFallOnWholeMultiplesOfTheXScale)
{
    GraphTestHistory history;
    history.add(7.0, 0.0, 0.0);
    history.add(6.0, 0.0, 0.0);
    DriftGraphSettings settings;
    settings.xScaleTenths = 25; // 2.5 s per division
    settings.yScaleArcsec = 7;
    const GraphDrawing drawing = drawDriftGraph(history.series(), settings, {false, false}, 150, 200);

    // k·2.5 s at 150 − trunc((7 − 2.5k) / 2.5 × 30): k = 2 … −2.
    EXPECT_EQ(verticalLineXs(drawing), (std::vector<int>{126, 96, 66, 36, 6}));
    EXPECT_EQ(labelTextAt(drawing, {112, 102}), "5.0");
    EXPECT_EQ(labelTextAt(drawing, {82, 102}), "2.5");
    EXPECT_EQ(labelTextAt(drawing, {52, 102}), "0.0");
    EXPECT_EQ(labelAt(drawing, {22, 102}), nullptr); // negative times are not labelled
    EXPECT_EQ(labelAt(drawing, {-8, 102}), nullptr);

    EXPECT_EQ(horizontalGridYs(drawing), (std::vector<int>{70, 130, 40, 160, 10, 190}));
    EXPECT_EQ(labelTextAt(drawing, {2, 72}), "7");
    EXPECT_EQ(labelTextAt(drawing, {2, 132}), "-7");
    EXPECT_EQ(labelTextAt(drawing, {2, 42}), "14");
    EXPECT_EQ(labelTextAt(drawing, {2, 162}), "-14");
    EXPECT_EQ(labelTextAt(drawing, {2, 12}), "21");
    EXPECT_EQ(labelTextAt(drawing, {2, 192}), "-21");
    EXPECT_EQ(drawing.texts.size(), 9u);
    EXPECT_TRUE(drawing.polylines.empty());
}

TEST(DriftGraph, GridScrollsWithTheNewestTime)
{
    GraphTestHistory history;
    history.add(10.5, 0.0, 0.0);
    const GraphDrawing drawing = drawDriftGraph(history.series(), DriftGraphSettings{}, kBothAxes, 300, 200);
    // 1 s per division: k = 10 at 300 − 15, down to k = 1 at 15.
    EXPECT_EQ(verticalLineXs(drawing), (std::vector<int>{285, 255, 225, 195, 165, 135, 105, 75, 45, 15}));
    EXPECT_EQ(labelTextAt(drawing, {271, 102}), "10.0");
    EXPECT_EQ(labelTextAt(drawing, {1, 102}), "1.0");
    EXPECT_EQ(labelTextAt(drawing, {2, 12}), "300");
}

TEST(DriftGraph, CurvesSkipSamplesOnTheSameColumnAndStopAtTheLeftEdge)
{
    GraphTestHistory history;
    // X scale 2.5 s: 12 pixels per second behind t0 = 20.
    history.add(20.0, 50.0, -1.0);  // x 150
    history.add(19.95, 99.0, 99.0); // 0.6 px behind: same column, skipped
    history.add(19.9, -33.4, 2.0);  // x 149; −10.02 px truncates to −10
    history.add(19.0, 0.9, 3.0);    // x 138
    history.add(7.6, -101.0, 4.0);  // 148.8 px behind: x 2
    history.add(7.5, 5.0, 5.0);     // 150 px behind: x 0, the curve ends here
    history.add(7.0, 5.0, 5.0);
    DriftGraphSettings settings;
    settings.xScaleTenths = 25;
    settings.yScaleArcsec = 100;

    const GraphDrawing horizontal = drawDriftGraph(history.series(), settings, {true, false}, 150, 200);
    ASSERT_EQ(horizontal.polylines.size(), 1u);
    EXPECT_EQ(horizontal.polylines[0].colour, graph_colours::kHorizontal);
    // y = 100 − trunc(g / 100 × 30)
    EXPECT_EQ(horizontal.polylines[0].points,
              (std::vector<GraphPoint>{{150, 85}, {149, 110}, {138, 100}, {2, 130}}));

    const GraphDrawing both = drawDriftGraph(history.series(), settings, kBothAxes, 150, 200);
    ASSERT_EQ(both.polylines.size(), 2u);
    EXPECT_EQ(both.polylines[0], horizontal.polylines[0]);
    EXPECT_EQ(both.polylines[1].colour, graph_colours::kVertical);
    EXPECT_EQ(both.polylines[1].points,
              (std::vector<GraphPoint>{{150, 100}, {149, 100}, {138, 100}, {2, 99}}));
}

TEST(DriftGraph, HugeOffsetsDrawOffTheEdgeWithoutOverflow)
{
    GraphTestHistory history;
    history.add(1.0, 1e300, -1e300);
    history.add(0.0, 0.0, 0.0);
    DriftGraphSettings settings;
    settings.yScaleArcsec = 1;
    const GraphDrawing drawing = drawDriftGraph(history.series(), settings, kBothAxes, 100, 100);
    ASSERT_EQ(drawing.polylines.size(), 2u);
    EXPECT_LT(drawing.polylines[0].points[0].y, -1000000);
    EXPECT_GT(drawing.polylines[1].points[0].y, 1000000);
}

} // namespace
} // namespace velmora::client
