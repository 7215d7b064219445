#pragma once
// Geometry of the histogram graph: 53 bars three pixels wide at x = 4i + 2 standing on
// the bottom edge, and the level marks at x = (level·212 >> 16) + 2.

#include <array>
#include <cstdint>
#include <span>

namespace velmora::client {

struct HistogramBar {
    int x = 0;
    int width = 3;
    int height = 0; // from the bottom edge up
};

// Bars of one plane's reduced counts scaled to the client height by the largest
// reduced count of all planes, linearly or logarithmically. With no count at all
// every bar has height 0.
std::array<HistogramBar, 53> histogramBars(std::span<const std::int32_t> reduced, std::int32_t largest,
                                           int clientHeight, bool logScale);

int levelMarkX(std::uint16_t level);

} // namespace velmora::client
