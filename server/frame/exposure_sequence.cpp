#include "server/frame/exposure_sequence.h"

namespace velmora::server {

namespace {

constexpr std::size_t kDelayOffset = 0;
constexpr std::size_t kLinesOffset = 24;
constexpr std::size_t kWaitOffset = 36;

template <class T> void put(std::span<std::uint8_t> bytes, std::size_t at, T value)
{
    auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bytes[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

template <class T> T get(std::span<const std::uint8_t> bytes, std::size_t at)
{
    std::uint32_t bits = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i)
        bits |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    return static_cast<T>(bits);
}

} // namespace

void ExposureSequence::storeTo(std::span<std::uint8_t, kStoredSize> bytes) const
{
    for (std::size_t step = 0; step < kSteps; ++step) {
        put(bytes, kDelayOffset + 4 * step, delayMs[step]);
        put(bytes, kLinesOffset + 2 * step, lines[step]);
        put(bytes, kWaitOffset + 4 * step, waitFrame[step]);
    }
}

ExposureSequence ExposureSequence::loadFrom(std::span<const std::uint8_t, kStoredSize> bytes)
{
    ExposureSequence sequence;
    for (std::size_t step = 0; step < kSteps; ++step) {
        sequence.delayMs[step] = get<std::int32_t>(bytes, kDelayOffset + 4 * step);
        sequence.lines[step] = get<std::uint16_t>(bytes, kLinesOffset + 2 * step);
        sequence.waitFrame[step] = get<std::int32_t>(bytes, kWaitOffset + 4 * step);
    }
    return sequence;
}

ExposureSequences defaultExposureSequences()
{
    // Lines 0..3 rest high; at the first frame after the start, 20 ms later, the
    // exposure lines drop (line 2 is left alone in sequence 0); after the exposure
    // time all four go high again.
    ExposureSequence on;
    on.delayMs = {0, 20, 0, 0, 0, 0};
    on.waitFrame = {0, 1, 0, 0, 0, 0};
    on.lines = {0xF00F, 0xF400, 0xFF00, 0xFF00, 0xFF00, 0xF00F};
    ExposureSequence off = on;
    off.lines[1] = 0xF000;
    return {on, off};
}

std::array<std::uint8_t, kExposureDataSize> encodeExposureData(const ExposureSequences& sequences)
{
    std::array<std::uint8_t, kExposureDataSize> bytes{};
    for (std::size_t i = 0; i < sequences.size(); ++i)
        sequences[i].storeTo(std::span(bytes)
                                 .subspan(i * ExposureSequence::kStoredSize)
                                 .first<ExposureSequence::kStoredSize>());
    return bytes;
}

ExposureSequences decodeExposureData(std::span<const std::uint8_t> bytes)
{
    ExposureSequences sequences = defaultExposureSequences();
    for (std::size_t i = 0; i < sequences.size(); ++i) {
        std::size_t at = i * ExposureSequence::kStoredSize;
        if (bytes.size() >= at + ExposureSequence::kStoredSize)
            sequences[i] =
                ExposureSequence::loadFrom(bytes.subspan(at).first<ExposureSequence::kStoredSize>());
    }
    return sequences;
}

} // namespace velmora::server
