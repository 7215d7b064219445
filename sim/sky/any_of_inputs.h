#pragma once
// InputLines active wherever any of several inputs is (guide lines held on the parallel
// port or on the relay box).

#include "sim/sky/input_lines.h"

#include <utility>
#include <vector>

namespace velmora::sim {

class AnyOfInputs : public InputLines {
public:
    // The inputs are borrowed.
    explicit AnyOfInputs(std::vector<const InputLines*> inputs) : m_inputs(std::move(inputs)) {}

    unsigned activeAt(TimePoint time) const override;
    std::vector<TimePoint> changesBetween(TimePoint from, TimePoint to) const override;

private:
    std::vector<const InputLines*> m_inputs;
};

} // namespace velmora::sim
