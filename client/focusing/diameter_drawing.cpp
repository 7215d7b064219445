#include "client/focusing/diameter_drawing.h"

#include "client/focusing/diameter_graph.h"
#include "client/guiding/graph_builder.h"

namespace velmora::client {

namespace dc = diameter_colours;

namespace {

void dot(GraphDrawing& drawing, int x, int y, RgbColour colour)
{
    addLine(drawing, {x, y}, {x, y}, colour);
}

void drawAxes(GraphDrawing& drawing)
{
    const int w = drawing.width;
    const int h = drawing.height;
    addLine(drawing, {3, 0}, {3, h}, dc::kAxes);
    addLine(drawing, {0, h / 2}, {w, h / 2}, dc::kAxes);
}

void drawPositionTicks(GraphDrawing& drawing, const DiameterGraph& graph)
{
    const int low = graph.low();
    const int high = graph.high();
    const int step = graph.tickStep();
    if (low >= high || step <= 0)
        return;
    const int mid = drawing.height / 2;
    const long long span = static_cast<long long>(high) - low;
    for (long long c = static_cast<long long>(step) * (low / step); c < high; c += step) {
        const int px = static_cast<int>((c - low) * (drawing.width - 10) / span);
        addLine(drawing, {px + 5, mid - 3}, {px + 5, mid + 3}, dc::kAxes);
        addLabel(drawing, {px + 3, mid + 2}, formattedNumber("%d", static_cast<int>(c)));
    }
}

// Rows of the vertical scale: yMax at the top margin, yMin at the bottom one.
int rowOf(const DiameterGraph& graph, double y, int height)
{
    return truncatedPixel((graph.yMax() - y) / (graph.yMax() - graph.yMin()) * (height - 10)) + 5;
}

void drawValueTicks(GraphDrawing& drawing, const DiameterGraph& graph)
{
    for (int i = 0; i <= 5; ++i) {
        const double v = graph.yMin() + (graph.yMax() - graph.yMin()) * i * 0.2;
        const int py = rowOf(graph, v, drawing.height) - 5;
        addLine(drawing, {0, py + 5}, {6, py + 5}, dc::kAxes);
        addLabel(drawing, {7, py}, formattedNumber("%.1f", v));
    }
}

void drawPoints(GraphDrawing& drawing, const DiameterGraph& graph)
{
    for (int k = 0; k < 4; ++k) {
        const RgbColour colour = k < 2 ? dc::kForwardPoint : dc::kBackwardPoint;
        for (const DiameterPoint& point : graph.series(k).working)
            dot(drawing, truncatedPixel((drawing.width - 10) * point.x) + 5,
                rowOf(graph, point.y, drawing.height), colour);
    }
}

// A pass without a line of its own (fewer than two positions) draws none.
void drawLines(GraphDrawing& drawing, const DiameterGraph& graph)
{
    for (int pass : {DiameterGraph::kForwardPass, DiameterGraph::kBackwardPass}) {
        if (graph.fitProblem(pass) == FitProblem::TooFewPositions)
            continue;
        const RgbColour colour = pass == DiameterGraph::kForwardPass ? dc::kForwardLine : dc::kBackwardLine;
        for (int i = 0; i < drawing.width; ++i) {
            const double xn = (i - 5.0) / (drawing.width - 10);
            dot(drawing, i, rowOf(graph, graph.slope(pass) * xn + graph.intercept(pass), drawing.height),
                colour);
        }
    }
}

} // namespace

GraphDrawing drawDiameterGraph(const DiameterGraph& graph, int width, int height)
{
    GraphDrawing drawing = blankDrawing(width, height);
    // Below the margins there is no area to scale into.
    if (width <= 10 || height <= 10)
        return drawing;
    drawAxes(drawing);
    drawPositionTicks(drawing, graph);
    if (graph.yMax() <= graph.yMin())
        return drawing;
    drawValueTicks(drawing, graph);
    drawPoints(drawing, graph);
    if (graph.fitted())
        drawLines(drawing, graph);
    return drawing;
}

} // namespace velmora::client
