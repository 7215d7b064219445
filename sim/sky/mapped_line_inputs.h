#pragma once
// InputLines read from eight output lines with a time-stamped record (the simulated
// parallel port's data register, the relay box's outputs): input n follows one line,
// active at the level given for it.
//
// A line counts as active only once it has been seen at its rest level: a register
// that powers up at the active level (all lines 0, say) must not look like a guide
// pulse or an exposure that never ends before any driver has set its rest word.

#include "sim/sky/input_lines.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace velmora::sim {

class MappedLineInputs : public InputLines {
public:
    // The eight lines at a time (bit n = line n), and the times of their changes in (from, to].
    using LevelsAt = std::function<std::uint8_t(TimePoint)>;
    using ChangeTimes = std::function<std::vector<TimePoint>(TimePoint, TimePoint)>;

    struct Binding {
        int line = 0;           // 0..7
        bool activeHigh = true; // active when the line is 1
    };

    // Input n follows bindings[n].
    MappedLineInputs(LevelsAt levelsAt, ChangeTimes changeTimes, std::vector<Binding> bindings);

    unsigned activeAt(TimePoint time) const override;
    std::vector<TimePoint> changesBetween(TimePoint from, TimePoint to) const override;

private:
    bool atRest(const Binding& binding, std::uint8_t levels) const;
    // Whether the binding's line was at rest at the start of the record or at a change up to `time`.
    bool seenAtRest(const Binding& binding, TimePoint time) const;

    LevelsAt m_levelsAt;
    ChangeTimes m_changeTimes;
    std::vector<Binding> m_bindings;
};

} // namespace velmora::sim
