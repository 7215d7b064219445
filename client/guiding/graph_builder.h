#pragma once
// Helpers the three guiding graphs share to fill a GraphDrawing: pixel conversion,
// printf labels, the axis colours.

#include "client/guiding/graph_drawing.h"

#include <string>

namespace velmora::client {

// Truncation toward zero, saturating far outside any client (a NaN gives 0), so a huge
// offset or power draws off the edge instead of overflowing the conversion.
int truncatedPixel(double value);

// snprintf of one number with one of the graphs' label formats ("%.1f", "%d", …).
std::string formattedNumber(const char* format, double value);
std::string formattedNumber(const char* format, int value);

// Yellow for the horizontal axis (0), cyan for the vertical one.
RgbColour axisColour(int axis);

void addLine(GraphDrawing& drawing, GraphPoint from, GraphPoint to, RgbColour colour);
// A label in the graphs' text colour.
void addLabel(GraphDrawing& drawing, GraphPoint at, std::string text);

// An empty drawing of this size on the black background.
GraphDrawing blankDrawing(int width, int height);

} // namespace velmora::client
