#pragma once
// The "FFT Graph" (drawn by CFFTGraph): each shown axis's periodogram against the
// period on a logarithmic axis of "FFT X Scale" decades, and per axis the text of its
// strongest peaks.

#include "client/guiding/graph_drawing.h"
#include "client/guiding/graph_series.h"
#include "client/guiding/graph_settings.h"
#include "client/guiding/periodogram.h"

#include <array>
#include <string>

namespace velmora::client {

// The plot of width × height starts 5 pixels in; the client is 10 pixels wider and 15
// taller, room for the period labels below the baseline.
inline constexpr int kFftOffset = 5;
inline constexpr int kFftExtraWidth = 10;
inline constexpr int kFftExtraHeight = 15;

struct FftGraph {
    GraphDrawing drawing;
    // The multi-line peak fields: "%.1f\t%.3f\r\n" per peak, strongest first, at most
    // "Max Peak Number" of them; empty for an axis not shown or skipped.
    std::array<std::string, 2> peakLists;
};

// x of a period T (seconds): trunc(log10(T) × width / decades) + 5.
int fftPeriodX(double periodSec, int decades, int width);

// Recomputes `periodogram` (columns s = 0…width) for the shown axes and draws: white
// baseline at y = height; light grey lines at T = 1, 10, …, 10^D from y = 0 to
// height + 15, labelled "%d" with T at (x, height + 2); grey lines at 2…9 × 10^k inside
// each decade, y = 0…height; per computed axis a polyline in its colour through
// (s + 5, trunc((1 − power) × height)).
FftGraph drawFftGraph(Periodogram& periodogram, const GraphSeries& series, const FftGraphSettings& settings,
                      const std::array<bool, 2>& showAxis, int width, int height);

} // namespace velmora::client
