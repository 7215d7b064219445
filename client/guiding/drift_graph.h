#pragma once
// The drift graph ("Drift Graph", drawn by CDriftGraph): each shown axis's graph series
// against time, newest sample at the right edge, over a zero line and a grid of
// 30-pixel divisions of "X Scale (sec)" and "Y Scale ('')".

#include "client/guiding/graph_drawing.h"
#include "client/guiding/graph_series.h"
#include "client/guiding/graph_settings.h"

#include <array>

namespace velmora::client {

// Pixels per grid division.
inline constexpr int kDriftDivisionPixels = 30;

// A client of width × height:
// - white zero line at y = height / 2;
// - grey vertical lines where the time is a whole multiple k·xs of the X scale xs, at
//   x = width − trunc((t0 − k·xs) / xs × 30) with t0 the newest time (0 when empty);
//   for k ≥ 0 labelled "%.1f" with k·xs, 14 pixels left of the line and 2 below the
//   zero line;
// - grey horizontal lines every 30 pixels above and below the zero line while both fit
//   in the client, labelled "%d" with ±(pixels × Y scale / 30), positive above, at x = 2
//   and 2 pixels below their line;
// - per shown axis a polyline in the axis colour, newest to oldest:
//   x = width − trunc((t0 − t) / xs × 30), y = height / 2 − trunc(g / ys × 30); a sample
//   on the x of the previous point is skipped, and the first one with x < 1 ends it.
GraphDrawing drawDriftGraph(const GraphSeries& series, const DriftGraphSettings& settings,
                            const std::array<bool, 2>& showAxis, int width, int height);

} // namespace velmora::client
