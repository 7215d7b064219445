#pragma once
// One exposure bit sequence of the camera: six steps, each a delay, a LineWord and a
// wait-for-frame flag; steps 0..2 run before the exposure time, 3..5 after it, and the
// LineWord of step 5 is the rest word. Stored as 60 little-endian bytes; the camera's
// two sequences together are its 120-byte "Data" value.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace velmora::server {

struct ExposureSequence {
    static constexpr std::size_t kSteps = 6;
    static constexpr std::size_t kStoredSize = 60;

    std::array<std::int32_t, kSteps> delayMs{};
    std::array<std::uint16_t, kSteps> lines{};
    std::array<std::int32_t, kSteps> waitFrame{};

    std::uint16_t restWord() const { return lines[kSteps - 1]; }

    void storeTo(std::span<std::uint8_t, kStoredSize> bytes) const;
    static ExposureSequence loadFrom(std::span<const std::uint8_t, kStoredSize> bytes);

    bool operator==(const ExposureSequence&) const = default;
};

using ExposureSequences = std::array<ExposureSequence, 2>;
constexpr std::size_t kExposureDataSize = 2 * ExposureSequence::kStoredSize;

// Sequence 0 ("Amp. Mode On") and sequence 1 ("Amp. Mode Off") as shipped.
ExposureSequences defaultExposureSequences();
std::array<std::uint8_t, kExposureDataSize> encodeExposureData(const ExposureSequences& sequences);
// Each complete 60-byte record present is used; a sequence whose record is missing or
// cut short keeps its default, so a damaged value never yields a half-read sequence.
ExposureSequences decodeExposureData(std::span<const std::uint8_t> bytes);

} // namespace velmora::server
