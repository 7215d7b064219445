#include "client/guiding/fft_graph.h"

#include "client/guiding/graph_builder.h"

#include <cmath>

namespace velmora::client {

namespace {

void addPeriodAxis(GraphDrawing& drawing, int decades, int width, int height)
{
    addLine(drawing, {0, height}, {width + kFftExtraWidth, height}, graph_colours::kBaseline);
    double decadeStart = 1.0;
    for (int k = 0; k < decades; ++k, decadeStart *= 10.0) {
        for (int m = 2; m <= 9; ++m) {
            const int x = fftPeriodX(m * decadeStart, decades, width);
            addLine(drawing, {x, 0}, {x, height}, graph_colours::kGrid);
        }
    }
    int period = 1;
    for (int k = 0; k <= decades; ++k, period *= 10) {
        // log10 of a power of ten is its exponent exactly.
        const int x = truncatedPixel(static_cast<double>(k) * width / decades) + kFftOffset;
        addLine(drawing, {x, 0}, {x, height + kFftExtraHeight}, graph_colours::kDecade);
        addLabel(drawing, {x, height + 2}, formattedNumber("%d", period));
    }
}

void addPowerCurve(GraphDrawing& drawing, std::span<const double> power, int height, int axis)
{
    GraphPolyline curve{{}, axisColour(axis)};
    curve.points.reserve(power.size());
    for (std::size_t s = 0; s < power.size(); ++s)
        curve.points.push_back({static_cast<int>(s) + kFftOffset, truncatedPixel((1.0 - power[s]) * height)});
    drawing.polylines.push_back(std::move(curve));
}

} // namespace

int fftPeriodX(double periodSec, int decades, int width)
{
    return truncatedPixel(std::log10(periodSec) * width / decades) + kFftOffset;
}

FftGraph drawFftGraph(Periodogram& periodogram, const GraphSeries& series, const FftGraphSettings& settings,
                      const std::array<bool, 2>& showAxis, int width, int height)
{
    const FftGraphSettings valid = settings.clampedToRanges();
    FftGraph graph;
    graph.drawing = blankDrawing(width + kFftExtraWidth, height + kFftExtraHeight);
    addPeriodAxis(graph.drawing, valid.xScale, width, height);
    periodogram.compute(series, showAxis, valid.xScale, valid.yScale(), width);
    for (int axis = 0; axis < 2; ++axis) {
        if (!periodogram.computed(axis))
            continue;
        addPowerCurve(graph.drawing, periodogram.power(axis), height, axis);
        graph.peakLists[static_cast<std::size_t>(axis)] =
            peakListText(periodogram.peaks(axis), valid.maxPeakNumber[static_cast<std::size_t>(axis)]);
    }
    return graph;
}

} // namespace velmora::client
