#pragma once
// The 16-bit word that setLines applies: high byte K = lines kept as they are, low byte
// V = new values of the other lines. Bit i is parallel data line Di or relay output i+1.

#include <cstdint>

namespace velmora::server {

class LineWord {
public:
    constexpr explicit LineWord(std::uint16_t word) : m_word(word) {}

    constexpr std::uint16_t word() const { return m_word; }
    constexpr std::uint8_t keepMask() const { return static_cast<std::uint8_t>(m_word >> 8); }
    // The new values of the lines not kept; kept positions are always 0, so a word can
    // never move a line it keeps. With `invert`, ~(K | V): every line not kept takes the
    // opposite level.
    std::uint8_t values(bool invert) const;
    bool keeps(int line) const { return (keepMask() >> line) & 1; }
    // The data register after applying the word to `current`: (current & K) | V.
    std::uint8_t applyTo(std::uint8_t current, bool invert) const;

private:
    std::uint16_t m_word;
};

} // namespace velmora::server
