#include "client/guiding/graph_builder.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace velmora::client {

namespace {

// Far beyond any screen, well inside int.
constexpr double kPixelLimit = 1.0e7;

} // namespace

int truncatedPixel(double value)
{
    if (std::isnan(value))
        return 0;
    if (value > kPixelLimit)
        value = kPixelLimit;
    if (value < -kPixelLimit)
        value = -kPixelLimit;
    return static_cast<int>(value);
}

std::string formattedNumber(const char* format, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

std::string formattedNumber(const char* format, int value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

RgbColour axisColour(int axis)
{
    return axis == 0 ? graph_colours::kHorizontal : graph_colours::kVertical;
}

void addLine(GraphDrawing& drawing, GraphPoint from, GraphPoint to, RgbColour colour)
{
    drawing.lines.push_back({from, to, colour});
}

void addLabel(GraphDrawing& drawing, GraphPoint at, std::string text)
{
    drawing.texts.push_back({at, std::move(text), graph_colours::kText});
}

GraphDrawing blankDrawing(int width, int height)
{
    GraphDrawing drawing;
    drawing.width = width;
    drawing.height = height;
    return drawing;
}

} // namespace velmora::client
