#include "sim/line_pulses.h"

namespace velmora::sim {

std::vector<LinePulse> linePulses(const std::vector<LineChange>& changes, int line, bool activeHigh)
{
    std::vector<LinePulse> pulses;
    auto active = [&](std::uint8_t value) { return (((value >> line) & 1) != 0) == activeHigh; };
    bool open = false;
    LinePulse pulse;
    for (const LineChange& change : changes) {
        bool before = active(change.before);
        bool after = active(change.after);
        if (!before && after) {
            pulse.start = change.time;
            open = true;
        } else if (before && !after && open) {
            pulse.end = change.time;
            pulses.push_back(pulse);
            open = false;
        }
    }
    return pulses;
}

} // namespace velmora::sim
