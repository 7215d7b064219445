#pragma once
// What the diameter graph's window paints, computed without a toolkit: the two axes,
// the position and value ticks with their labels, every working point as one pixel
// (forward pass yellow, backward pass red) and, once fitted, each pass's line as one
// pixel per column (forward cyan, backward magenta). Single pixels are zero-length
// lines.

#include "client/guiding/graph_drawing.h"

namespace velmora::client {

class DiameterGraph;

namespace diameter_colours {
inline constexpr RgbColour kText = graph_colours::kText;
inline constexpr RgbColour kAxes = graph_colours::kGrid;
inline constexpr RgbColour kForwardPoint{255, 255, 0};
inline constexpr RgbColour kBackwardPoint{255, 0, 0};
inline constexpr RgbColour kForwardLine{0, 255, 255};
inline constexpr RgbColour kBackwardLine{255, 0, 255};
} // namespace diameter_colours

// The drawing for a client area of width × height.
GraphDrawing drawDiameterGraph(const DiameterGraph& graph, int width, int height);

} // namespace velmora::client
