#pragma once
// Test support: eight output lines with time-stamped changes, as the simulated parallel
// port and the relay box keep them, and the sky inputs read from them.

#include "sim/sky/mapped_line_inputs.h"

#include <cstdint>
#include <map>
#include <vector>

namespace velmora::sim::testing {

class LineRecord {
public:
    using TimePoint = InputLines::TimePoint;

    explicit LineRecord(std::uint8_t initial) : m_initial(initial) {}

    void set(std::uint8_t value, TimePoint at) { m_changes[at] = value; }
    std::uint8_t at(TimePoint time) const
    {
        std::uint8_t v = m_initial;
        for (const auto& [when, value] : m_changes) {
            if (when <= time)
                v = value;
        }
        return v;
    }
    std::vector<TimePoint> between(TimePoint from, TimePoint to) const
    {
        std::vector<TimePoint> times;
        for (const auto& [when, value] : m_changes) {
            if (when > from && when <= to)
                times.push_back(when);
        }
        return times;
    }
    MappedLineInputs inputs(std::vector<MappedLineInputs::Binding> bindings) const
    {
        return MappedLineInputs([this](TimePoint t) { return at(t); },
                                [this](TimePoint a, TimePoint b) { return between(a, b); },
                                std::move(bindings));
    }

private:
    std::uint8_t m_initial;
    std::map<TimePoint, std::uint8_t> m_changes;
};

} // namespace velmora::sim::testing
