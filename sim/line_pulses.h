#pragma once
// Guide pulses as the lines showed them: for one line, each interval from its change
// to the active level to its change back, read from a time-stamped change record.

#include "sim/line_log.h"

#include <chrono>
#include <vector>

namespace velmora::sim {

struct LinePulse {
    std::chrono::steady_clock::time_point start;
    std::chrono::steady_clock::time_point end;

    std::chrono::steady_clock::duration held() const { return end - start; }
};

// `line` is the bit 0..7; `activeHigh` false for inverted polarity. A pulse still
// active at the end of the record is left out.
std::vector<LinePulse> linePulses(const std::vector<LineChange>& changes, int line, bool activeHigh = true);

} // namespace velmora::sim
