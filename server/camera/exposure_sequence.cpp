#include "server/camera/exposure_sequence.h"

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

ExposureSequence ExposureSequence::parse(const std::uint8_t* data, std::size_t size,
                                         const ExposureSequence& fallback)
{
    ExposureSequence s = fallback;
    if (!data)
        return s;
    auto has = [size](std::size_t offset, std::size_t bytes) { return offset + bytes <= size; };
    for (int i = 0; i < kSteps; ++i) {
        const std::size_t delayAt = 4 * static_cast<std::size_t>(i);
        const std::size_t linesAt = kLinesOffset + 2 * static_cast<std::size_t>(i);
        const std::size_t waitAt = kWaitOffset + 4 * static_cast<std::size_t>(i);
        if (has(delayAt, 4))
            s.delayMs[i] = static_cast<std::int32_t>(getLe(data + delayAt, 4));
        if (has(linesAt, 2))
            s.lines[i] = static_cast<std::uint16_t>(getLe(data + linesAt, 2));
        if (has(waitAt, 4))
            s.waitFrame[i] = static_cast<std::int32_t>(getLe(data + waitAt, 4));
        s.delayMs[i] = std::clamp(s.delayMs[i], 0, kMaxDelayMs);
    }
    return s;
}

} // namespace velmora::server
