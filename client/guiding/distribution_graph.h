#pragma once
// The distribution graph ("Distribution Graph", drawn by CDistrGraph): a step outline
// of each shown axis's graph series counted into "Bin Number" bins over a common
// −R…+R axis, and per axis the read-only "Values Range" and "Probability Range" (the
// width of the central interval that holds the fraction "Probability" of the samples,
// measured on 10000 fine bins).

#include "client/guiding/graph_drawing.h"
#include "client/guiding/graph_series.h"
#include "client/guiding/graph_settings.h"

#include <array>
#include <optional>
#include <span>
#include <string>

namespace velmora::client {

// The plot sits 15 pixels in from the left; the client is 30 pixels wider and 15 taller
// than the plot's width × height, room for the labels below the baseline.
inline constexpr int kDistributionOffset = 15;
inline constexpr int kDistributionExtraWidth = 30;
inline constexpr int kDistributionExtraHeight = 15;
inline constexpr int kDistributionFineBins = 10000;

// Read-only fields of one axis; blank (absent) for an axis without a range.
struct DistributionFields {
    std::optional<double> valuesRange;      // max − min
    std::optional<double> probabilityRange; // (max − min) × (hi − lo + 1) × 0.0001
};

struct DistributionGraph {
    GraphDrawing drawing;
    std::array<DistributionFields, 2> fields;
};

struct ValueSpan {
    double min = 0.0;
    double max = 0.0;
    bool hasRange() const { return max > min; }
};

// The smallest and largest value; nothing for no values.
std::optional<ValueSpan> valueSpanOf(std::span<const double> values);

// trunc((g − min) × count / (max − min + 1e-10)), kept within 0…count − 1 (a range too
// wide for the 1e-10 to count would otherwise put the largest value one bin too far).
int binIndex(double g, const ValueSpan& span, int count);

// B = trunc((1 − P) × n × 0.5) with P in hundredths, evaluated exactly, so P = 0.95 on
// 1000 samples trims 25 (binary 0.95 would make it 24.999…).
long long trimmedSamples(std::size_t sampleCount, int probabilityHundredths);

// Per axis with a range the fields are filled; the samples are counted into the fine
// bins, B trimmed from each end: lo = the number of bins added from bin 0 until their
// sum reaches B, hi = 9999 less the number added from bin 9999 downwards; a negative
// width (P near 0) counts as 0.
DistributionFields distributionFields(std::span<const double> values, int probabilityHundredths);

// A plot of width × height inside a client of (width + 30) × (height + 15): white
// baseline (0, H)…(W + 30, H); when the shown axes hold a range, R = max(|smallest min|,
// |largest max|) and vertical lines at x = j·W/6 + W/2 + 15, j = −3…3 (j = 0 white from
// y = 0 to H + 15, the others grey to H), labelled "%.1f" with j·R/3 at (x − 14, H + 2);
// per shown axis with a range the step outline in its colour, X(v) = trunc((v + R) × W / 2R).
// The fields are those of both axes, shown or not.
DistributionGraph drawDistributionGraph(const GraphSeries& series, const DistributionGraphSettings& settings,
                                        const std::array<bool, 2>& showAxis, int width, int height);

// The text of a range field: "%.2f", empty when blank.
std::string rangeFieldText(const std::optional<double>& value);

} // namespace velmora::client
