#include "client/guiding/drift_graph.h"

#include "client/guiding/graph_builder.h"

#include <climits>
#include <cmath>

namespace velmora::client {

namespace {

struct DriftFrame {
    int width = 0;
    int height = 0;
    int zeroY = 0;
    double t0 = 0.0; // newest time, at the right edge
    double xs = 1.0; // seconds per division
    int ys = 1;      // arcseconds per division

    int x(double t) const { return width - truncatedPixel((t0 - t) / xs * kDriftDivisionPixels); }
    int y(double offset) const { return zeroY - truncatedPixel(offset / ys * kDriftDivisionPixels); }
};

void addTimeGrid(GraphDrawing& drawing, const DriftFrame& frame)
{
    // From the first multiple of xs after t0 leftwards, one division per line.
    const double newestK = std::floor(frame.t0 / frame.xs) + 1.0;
    const int lineCount = frame.width / kDriftDivisionPixels + 3;
    for (int i = 0; i < lineCount; ++i) {
        const double k = newestK - i;
        const int x = frame.x(k * frame.xs);
        if (x > frame.width)
            continue;
        if (x < 0)
            break;
        addLine(drawing, {x, 0}, {x, frame.height}, graph_colours::kGrid);
        if (k >= 0.0)
            addLabel(drawing, {x - 14, frame.zeroY + 2}, formattedNumber("%.1f", k * frame.xs));
    }
}

int offsetLabel(int pixels, int ys)
{
    const long long value = static_cast<long long>(pixels) * ys / kDriftDivisionPixels;
    return value > INT_MAX ? INT_MAX : static_cast<int>(value);
}

void addOffsetGrid(GraphDrawing& drawing, const DriftFrame& frame)
{
    for (int p = kDriftDivisionPixels; frame.zeroY - p >= 0 && frame.zeroY + p <= frame.height - 1;
         p += kDriftDivisionPixels) {
        const int label = offsetLabel(p, frame.ys);
        for (const int sign : {1, -1}) {
            const int y = frame.zeroY - sign * p;
            addLine(drawing, {0, y}, {frame.width, y}, graph_colours::kGrid);
            addLabel(drawing, {2, y + 2}, formattedNumber("%d", sign * label));
        }
    }
}

void addCurve(GraphDrawing& drawing, const DriftFrame& frame, const GraphSeries& series, int axis)
{
    const std::span<const double> offsets = series.axis(axis);
    GraphPolyline curve{{}, axisColour(axis)};
    for (std::size_t k = 0; k < offsets.size(); ++k) {
        const int x = frame.x(series.times[k]);
        if (x < 1)
            break;
        if (!curve.points.empty() && curve.points.back().x == x)
            continue;
        curve.points.push_back({x, frame.y(offsets[k])});
    }
    if (!curve.points.empty())
        drawing.polylines.push_back(std::move(curve));
}

} // namespace

GraphDrawing drawDriftGraph(const GraphSeries& series, const DriftGraphSettings& settings,
                            const std::array<bool, 2>& showAxis, int width, int height)
{
    const DriftGraphSettings scales = settings.clampedToRanges();
    DriftFrame frame;
    frame.width = width;
    frame.height = height;
    frame.zeroY = height / 2;
    frame.t0 = series.size() > 0 ? series.times[0] : 0.0;
    frame.xs = scales.xScaleSeconds();
    frame.ys = scales.yScaleArcsec;

    GraphDrawing drawing = blankDrawing(width, height);
    addLine(drawing, {0, frame.zeroY}, {width, frame.zeroY}, graph_colours::kBaseline);
    addTimeGrid(drawing, frame);
    addOffsetGrid(drawing, frame);
    for (int axis = 0; axis < 2; ++axis)
        if (showAxis[static_cast<std::size_t>(axis)])
            addCurve(drawing, frame, series, axis);
    return drawing;
}

} // namespace velmora::client
