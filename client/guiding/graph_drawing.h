#pragma once
// What a guiding graph draws, without a toolkit: lines, polylines and texts in client
// coordinates (x to the right, y downwards, origin at the top left) over a background,
// in the order they are to be painted. The graphs' views only paint these off-screen
// and copy the result once; tests read them directly.

#include "client/image/rgb_colour.h"

#include <string>
#include <vector>

namespace velmora::client {

struct GraphPoint {
    int x = 0;
    int y = 0;

    friend bool operator==(const GraphPoint&, const GraphPoint&) = default;
};

struct GraphLine {
    GraphPoint from;
    GraphPoint to;
    RgbColour colour;

    friend bool operator==(const GraphLine&, const GraphLine&) = default;
};

struct GraphPolyline {
    std::vector<GraphPoint> points;
    RgbColour colour;

    friend bool operator==(const GraphPolyline&, const GraphPolyline&) = default;
};

// A text whose top-left corner is at `at`, in the graph's small font.
struct GraphText {
    GraphPoint at;
    std::string text;
    RgbColour colour;

    friend bool operator==(const GraphText&, const GraphText&) = default;
};

struct GraphDrawing {
    int width = 0;
    int height = 0;
    RgbColour background{0, 0, 0};
    std::vector<GraphLine> lines;         // painted first
    std::vector<GraphPolyline> polylines; // then these
    std::vector<GraphText> texts;         // and the labels last
};

// The graphs' colours.
namespace graph_colours {
inline constexpr RgbColour kText{0, 255, 0};
inline constexpr RgbColour kHorizontal{255, 255, 0};
inline constexpr RgbColour kVertical{0, 255, 255};
inline constexpr RgbColour kGrid{150, 150, 150};
inline constexpr RgbColour kBaseline{255, 255, 255};
inline constexpr RgbColour kDecade{200, 200, 200};
} // namespace graph_colours

} // namespace velmora::client
