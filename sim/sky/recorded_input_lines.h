#pragma once
// InputLines whose changes are set directly with their times (tests; wiring to sources
// that report events rather than levels).

#include "sim/sky/input_lines.h"

#include <deque>
#include <mutex>
#include <utility>

namespace velmora::sim {

class RecordedInputLines : public InputLines {
public:
    static constexpr std::size_t kCapacity = 4096;

    explicit RecordedInputLines(unsigned initial = 0) : m_initial(initial) {}

    // The inputs become `active` at `time`; times must not go backwards (a change
    // dated before the last one is recorded at the last one's time).
    void set(unsigned active, TimePoint time);

    unsigned activeAt(TimePoint time) const override;
    std::vector<TimePoint> changesBetween(TimePoint from, TimePoint to) const override;

private:
    mutable std::mutex m_mutex;
    unsigned m_initial;
    std::deque<std::pair<TimePoint, unsigned>> m_changes;
};

} // namespace velmora::sim
