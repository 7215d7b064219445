#pragma once
// Camera samples (32-bit signed, exactly as the driver delivered them) to 16-bit frame
// samples scaled so that the configured bit depth's full scale becomes 65535:
// v·65535 / (2^bits − 1), truncated, saturating at 65535.

#include "client/image/image_frame.h"

#include <cstdint>
#include <span>

namespace velmora::client {

constexpr int kMinCameraBits = 1;
constexpr int kMaxCameraBits = 16;

// "Digit Capacity" brought into 1…16.
int clampCameraBits(int bits);

// Converts sampleCount values of source into frame. A source shorter than the frame
// is refused (false) and the frame is left untouched. bits outside 1…16 are clamped
// into that range. Negative camera values are not representable and become 0. The
// per-sample work has no division: depths whose scale factor is an integer (1, 2, 4,
// 8, 16 bits) multiply, the others use an exact double-precision ratio.
bool ConvertCameraSamples(int bits, std::span<const std::int32_t> source, ImageFrame& frame);

} // namespace velmora::client
