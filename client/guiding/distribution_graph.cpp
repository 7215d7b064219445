#include "client/guiding/distribution_graph.h"

#include "client/guiding/graph_builder.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace velmora::client {

namespace {

constexpr double kBinGuard = 1e-10;

std::vector<int> binCounts(std::span<const double> values, const ValueSpan& span, int count)
{
    std::vector<int> counts(static_cast<std::size_t>(count), 0);
    for (const double g : values)
        ++counts[static_cast<std::size_t>(binIndex(g, span, count))];
    return counts;
}

// Bins added, from one end, until their counts sum to at least `trimmed`.
template <typename BinOrder> int binsToTrim(const std::vector<int>& counts, long long trimmed, BinOrder bin)
{
    long long sum = 0;
    int added = 0;
    const int binCount = static_cast<int>(counts.size());
    while (sum < trimmed && added < binCount)
        sum += counts[static_cast<std::size_t>(bin(added++))];
    return added;
}

// The plot's horizontal axis −R…+R over the shown axes; nothing unless they hold a range.
std::optional<double> commonHalfWidth(const std::array<std::optional<ValueSpan>, 2>& spans,
                                      const std::array<bool, 2>& showAxis)
{
    std::optional<ValueSpan> common;
    for (std::size_t axis = 0; axis < 2; ++axis) {
        if (!showAxis[axis] || !spans[axis])
            continue;
        if (!common)
            common = spans[axis];
        common->min = std::min(common->min, spans[axis]->min);
        common->max = std::max(common->max, spans[axis]->max);
    }
    if (!common || !common->hasRange())
        return std::nullopt;
    return std::max(std::fabs(common->min), std::fabs(common->max));
}

struct DistributionFrame {
    int width = 0;
    int height = 0;
    double r = 0.0;

    int x(double v) const { return truncatedPixel((v + r) * width / (2.0 * r)) + kDistributionOffset; }
};

void addValueGrid(GraphDrawing& drawing, const DistributionFrame& frame)
{
    for (int j = -3; j <= 3; ++j) {
        const int x = j * frame.width / 6 + frame.width / 2 + kDistributionOffset;
        if (j == 0)
            addLine(drawing, {x, 0}, {x, frame.height + kDistributionExtraHeight}, graph_colours::kBaseline);
        else
            addLine(drawing, {x, 0}, {x, frame.height}, graph_colours::kGrid);
        addLabel(drawing, {x - 14, frame.height + 2}, formattedNumber("%.1f", j * frame.r / 3.0));
    }
}

void addOutline(GraphDrawing& drawing, const DistributionFrame& frame, std::span<const double> values,
                const ValueSpan& span, int binNumber, int axis)
{
    const std::vector<int> counts = binCounts(values, span, binNumber);
    const long long largest = *std::max_element(counts.begin(), counts.end());
    const double binWidth = (span.max - span.min) / binNumber;
    GraphPolyline outline{{{frame.x(span.min), frame.height}}, axisColour(axis)};
    int right = frame.x(span.min);
    for (int i = 0; i < binNumber; ++i) {
        const int y =
            frame.height - static_cast<int>(frame.height * static_cast<long long>(counts[i]) / largest);
        right = frame.x(span.min + (i + 1) * binWidth);
        outline.points.push_back({frame.x(span.min + i * binWidth), y});
        outline.points.push_back({right, y});
    }
    outline.points.push_back({right, frame.height});
    drawing.polylines.push_back(std::move(outline));
}

} // namespace

std::optional<ValueSpan> valueSpanOf(std::span<const double> values)
{
    if (values.empty())
        return std::nullopt;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    return ValueSpan{*low, *high};
}

int binIndex(double g, const ValueSpan& span, int count)
{
    const double bin = (g - span.min) * count / (span.max - span.min + kBinGuard);
    if (!(bin >= 0.0))
        return 0;
    if (bin >= count - 1)
        return count - 1;
    return static_cast<int>(bin);
}

long long trimmedSamples(std::size_t sampleCount, int probabilityHundredths)
{
    return (100 - probabilityHundredths) * static_cast<long long>(sampleCount) / 200;
}

DistributionFields distributionFields(std::span<const double> values, int probabilityHundredths)
{
    const std::optional<ValueSpan> span = valueSpanOf(values);
    if (!span || !span->hasRange())
        return {};
    const std::vector<int> counts = binCounts(values, *span, kDistributionFineBins);
    const long long trimmed = trimmedSamples(values.size(), probabilityHundredths);
    const int lo = binsToTrim(counts, trimmed, [](int added) { return added; });
    const int hi = kDistributionFineBins - 1 -
                   binsToTrim(counts, trimmed, [](int added) { return kDistributionFineBins - 1 - added; });
    const double width = span->max - span->min;
    return {width, width * std::max(hi - lo + 1, 0) * 0.0001};
}

DistributionGraph drawDistributionGraph(const GraphSeries& series, const DistributionGraphSettings& settings,
                                        const std::array<bool, 2>& showAxis, int width, int height)
{
    const DistributionGraphSettings valid = settings.clampedToRanges();
    DistributionGraph graph;
    graph.drawing = blankDrawing(width + kDistributionExtraWidth, height + kDistributionExtraHeight);
    std::array<std::optional<ValueSpan>, 2> spans;
    for (int axis = 0; axis < 2; ++axis) {
        spans[axis] = valueSpanOf(series.axis(axis));
        graph.fields[axis] = distributionFields(series.axis(axis), valid.probabilityHundredths[axis]);
    }
    addLine(graph.drawing, {0, height}, {width + kDistributionExtraWidth, height}, graph_colours::kBaseline);
    const std::optional<double> r = commonHalfWidth(spans, showAxis);
    if (!r)
        return graph;
    const DistributionFrame frame{width, height, *r};
    addValueGrid(graph.drawing, frame);
    for (int axis = 0; axis < 2; ++axis)
        if (showAxis[axis] && spans[axis] && spans[axis]->hasRange())
            addOutline(graph.drawing, frame, series.axis(axis), *spans[axis], valid.binNumber[axis], axis);
    return graph;
}

std::string rangeFieldText(const std::optional<double>& value)
{
    return value ? formattedNumber("%.2f", *value) : std::string();
}

} // namespace velmora::client
