#include "sim/sky/input_segments.h"

#include <algorithm>

namespace velmora::sim {

void forEachInputSegment(const InputLines& inputs, InputLines::TimePoint from, InputLines::TimePoint to,
                         const InputSegment& segment)
{
    if (to <= from)
        return;
    std::vector<InputLines::TimePoint> changes = inputs.changesBetween(from, to);
    std::sort(changes.begin(), changes.end());
    InputLines::TimePoint start = from;
    for (InputLines::TimePoint change : changes) {
        if (change <= start || change >= to)
            continue;
        segment(inputs.activeAt(start), change - start);
        start = change;
    }
    segment(inputs.activeAt(start), to - start);
}

} // namespace velmora::sim
