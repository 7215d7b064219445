#pragma once
// What the guiding graphs plot: the history's times and each axis's graph series
// (filtered, and drift-removed for an axis that is not corrected), newest first.

#include <array>
#include <cstddef>
#include <span>

namespace velmora::client {

class GuidingRun;

struct GraphSeries {
    std::span<const double> times;                  // seconds since Start
    std::array<std::span<const double>, 2> offsets; // arcseconds; 0 horizontal, 1 vertical

    // Samples held by all three arrays.
    std::size_t size() const;
    std::span<const double> axis(int axis) const { return offsets[axis == 0 ? 0 : 1].first(size()); }
};

// The run's times and graph series; valid until its next step.
GraphSeries graphSeriesOf(const GuidingRun& run);

} // namespace velmora::client
