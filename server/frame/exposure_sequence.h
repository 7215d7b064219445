#pragma once
// One exposure bit sequence of the camera: six steps, each an optional wait for the
// next video frame, a delay and a LineWord to apply. Steps 0..2 run before the exposure
// time, 3..5 after it; the LineWord of step 5 is the sequence's rest word.
//
// Stored form: 60 bytes, little-endian, fields back to back: delay[6] (int32),
// lines[6] (uint16), waitFrame[6] (int32).

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora::server {

struct ExposureSequence {
    static constexpr int kSteps = 6;
    static constexpr int kStepsBeforeExposure = 3;
    static constexpr std::size_t kStoredSize = 60;
    static constexpr std::int32_t kMaxDelayMs = 999999;

    std::array<std::int32_t, kSteps> delayMs{};
    std::array<std::uint16_t, kSteps> lines{};
    std::array<std::int32_t, kSteps> waitFrame{};

    // Sequence 0 ("Amp. Mode On") or 1 ("Amp. Mode Off") as shipped.
    static ExposureSequence defaults(int index);

    std::uint16_t restWord() const { return lines[kSteps - 1]; }
    bool waitsForFrame(int step) const { return waitFrame[step] != 0; }

    void store(std::uint8_t* out) const; // kStoredSize bytes
    // Reads kStoredSize bytes. Delays outside 0..kMaxDelayMs are clamped into it: a
    // negative or enormous stored delay would leave the exposure thread asleep for days,
    // deaf to aborts.
    static ExposureSequence load(const std::uint8_t* in);

    bool operator==(const ExposureSequence&) const = default;
};

} // namespace velmora::server
