#pragma once
// The sensor's 2 x 2 colour filter pattern, named by its matrix type:
//   type 0: row 0 blue, green;  row 1 green, red
//   type 1: row 0 green, red;   row 1 blue, green
//   type 2: row 0 red, green;   row 1 green, blue
//   type 3: row 0 green, blue;  row 1 red, green

#include "server/camera/colour_settings.h"

namespace velmora::server {

class BayerPattern {
public:
    // `matrixType` is taken modulo 4.
    explicit BayerPattern(int matrixType);

    // The pattern as seen from a sub-frame whose origin is (x0, y0) in the full frame:
    // an odd row origin swaps the rows, an odd column origin swaps the columns.
    static BayerPattern forSubFrame(int matrixType, int x0, int y0);

    int matrixType() const { return m_type; }
    // The channel whose filter covers position (x, y), counted from the pattern's origin.
    ColourChannel siteColour(int x, int y) const;

private:
    int m_type;
};

} // namespace velmora::server
