#pragma once
// The histogram stretch of a whole frame between a black and a white level per plane:
// s ≤ black → 0, s ≥ white → 65535, otherwise (s − black)·65535 / (white − black)
// truncated, computed as a double product so the per-sample loop has no division and
// vectorises.

#include "client/image/image_frame.h"
#include "client/image/square_histogram.h"

#include <span>

namespace velmora::client {

// target = source stretched by levels[p] for every plane; planes without an entry are
// copied. Frames of different dimensions are refused (false). source and target may
// be the same frame.
bool StretchFrame(const ImageFrame& source, ImageFrame& target, std::span<const LevelPair> levels);

} // namespace velmora::client
