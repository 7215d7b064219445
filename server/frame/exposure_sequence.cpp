#include "server/frame/exposure_sequence.h"

#include <algorithm>

namespace velmora::server {

namespace {

constexpr std::size_t kLinesOffset = 24;
constexpr std::size_t kWaitOffset = 36;

void putLe(std::uint8_t* out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t getLe(const std::uint8_t* in, int bytes)
{
    std::uint32_t value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= std::uint32_t{in[i]} << (8 * i);
    return value;
}

} // namespace

ExposureSequence ExposureSequence::defaults(int index)
{
    ExposureSequence s;
    s.delayMs = {0, 20, 0, 0, 0, 0};
    s.waitFrame = {0, 1, 0, 0, 0, 0};
    // Lines 0..3 rest at 1; the exposure pulls lines 0, 1, 3 (sequence 0) or 0..3 (sequence 1) to 0.
    s.lines = {0xF00F, static_cast<std::uint16_t>(index == 0 ? 0xF400 : 0xF000), 0xFF00, 0xFF00, 0xFF00,
               0xF00F};
    return s;
}

void ExposureSequence::store(std::uint8_t* out) const
{
    for (int i = 0; i < kSteps; ++i) {
        putLe(out + 4 * i, static_cast<std::uint32_t>(delayMs[i]), 4);
        putLe(out + kLinesOffset + 2 * i, lines[i], 2);
        putLe(out + kWaitOffset + 4 * i, static_cast<std::uint32_t>(waitFrame[i]), 4);
    }
}

ExposureSequence ExposureSequence::load(const std::uint8_t* in)
{
    ExposureSequence s;
    for (int i = 0; i < kSteps; ++i) {
        s.delayMs[i] = std::clamp(static_cast<std::int32_t>(getLe(in + 4 * i, 4)), 0, kMaxDelayMs);
        s.lines[i] = static_cast<std::uint16_t>(getLe(in + kLinesOffset + 2 * i, 2));
        s.waitFrame[i] = static_cast<std::int32_t>(getLe(in + kWaitOffset + 4 * i, 4));
    }
    return s;
}

} // namespace velmora::server
