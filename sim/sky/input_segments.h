#pragma once
// Walks the inputs over (from, to] piece by piece: each piece with the inputs active
// during it, split at the inputs' recorded changes.

#include "sim/sky/input_lines.h"

#include <chrono>
#include <functional>

namespace velmora::sim {

using InputSegment = std::function<void(unsigned active, std::chrono::nanoseconds length)>;

void forEachInputSegment(const InputLines& inputs, InputLines::TimePoint from, InputLines::TimePoint to,
                         const InputSegment& segment);

} // namespace velmora::sim
