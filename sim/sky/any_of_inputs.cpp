#include "sim/sky/any_of_inputs.h"

#include <algorithm>

namespace velmora::sim {

unsigned AnyOfInputs::activeAt(TimePoint time) const
{
    unsigned active = 0;
    for (const InputLines* input : m_inputs)
        active |= input->activeAt(time);
    return active;
}

std::vector<InputLines::TimePoint> AnyOfInputs::changesBetween(TimePoint from, TimePoint to) const
{
    std::vector<TimePoint> times;
    for (const InputLines* input : m_inputs) {
        const std::vector<TimePoint> more = input->changesBetween(from, to);
        times.insert(times.end(), more.begin(), more.end());
    }
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

} // namespace velmora::sim
