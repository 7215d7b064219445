#pragma once
// The camera's two exposure bit sequences and the selector "Type" (0 = sequence 0,
// "Amp. Mode On"; 1 = sequence 1, "Amp. Mode Off"). Stored as one 120-byte value,
// sequence 0 then sequence 1.

#include "server/frame/exposure_sequence.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace velmora::server {

class ExposureSequences {
public:
    static constexpr int kCount = 2;
    static constexpr std::size_t kStoredSize = kCount * ExposureSequence::kStoredSize;
    static constexpr const char* kModeNames[kCount] = {"Amp. Mode On", "Amp. Mode Off"};

    // The defaults, sequence 0 selected.
    ExposureSequences();

    // From the stored "Data" blob (null when the value is absent) and "Type". Each
    // complete 60-byte record is used; a sequence whose record is missing or cut short
    // keeps its default, so a damaged value never yields a half-read sequence. Bytes
    // beyond 120 are ignored. A type other than 0 or 1 selects 0.
    static ExposureSequences fromStored(const std::uint8_t* data, std::size_t size, std::int32_t type);
    std::array<std::uint8_t, kStoredSize> toBytes() const;

    int type() const { return m_type; }
    // False, and nothing changed, for a type other than 0 or 1.
    bool select(int type);
    const ExposureSequence& selected() const { return m_sequences[m_type]; }
    // Replaces the selected sequence (the "Exposure Bits" dialog's OK).
    void replaceSelected(const ExposureSequence& sequence) { m_sequences[m_type] = sequence; }

    // `index` 0 or 1.
    const ExposureSequence& sequence(int index) const { return m_sequences[index & 1]; }
    void setSequence(int index, const ExposureSequence& sequence) { m_sequences[index & 1] = sequence; }

    bool operator==(const ExposureSequences&) const = default;

private:
    std::array<ExposureSequence, kCount> m_sequences;
    int m_type = 0;
};

} // namespace velmora::server
