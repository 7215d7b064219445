#pragma once
// Vector versions of the per-row work of the colour conversions and of the camera's
// frame buffers,
// for processors that have them. Each kernel handles a leading part of the row and
// returns how many pixels it did; the portable code in ColourConverter finishes the
// row with the same formula, so both give identical values.
//
// Results are exact: products and sums stay below 2^24 (kMaxCoefficient), where a
// single-precision division by 100 or 300 truncates to the integer quotient.

#include <cstddef>
#include <cstdint>

namespace velmora::server {

class ColourRowKernels {
public:
    // Coefficients up to this magnitude keep 3 x 255 x k + 300 below 2^24.
    static constexpr int kMaxCoefficient = 20000;

    // The kernels of this processor, or null when it has none (the portable code then
    // does the whole row).
    static const ColourRowKernels* forThisProcessor();

    virtual ~ColourRowKernels() = default;

    // out[x] = (s[3x + 1] k[1] + s[3x + 2] k[2] + s[3x] k[0]) / 300.
    virtual int graying(const std::uint8_t* s, std::int32_t* out, int n, const int k[3]) const = 0;
    // For each of `count` planes: outs[i][x] = s[3x + channels[i]] k[channels[i]] / 100.
    virtual int channels(const std::uint8_t* s, int n, const int* channels, std::int32_t* const* outs,
                         int count, const int k[3]) const = 0;
    // Alternating sites starting at an even x: out[x] = s[3x + c] k[c] / 100 with
    // c = even for even x and odd for odd x; the same values into `alsoOut` unless null.
    virtual int sites(const std::uint8_t* s, std::int32_t* out, std::int32_t* alsoOut, int n, int even,
                      int odd, const int k[3]) const = 0;

    // Debayering on 32-bit planes whose neighbour sums fit in 32 bits. For 1 <= x and
    // x % 2 == parity: here[x] = (four diagonal neighbours in the rows above and below)
    // / 4, or (up[x] + down[x] + here[x - 1] + here[x + 1]) / 4. `nonNegative` promises
    // no negative values (a cheaper truncation). Starts at x = 1 and returns the first x
    // it did not cover.
    virtual int neighbourMean(const std::int32_t* up, std::int32_t* here, const std::int32_t* down, int n,
                              int parity, bool diagonal, bool nonNegative) const = 0;
    // The frame buffers: sums[i] += bytes[i], and the sum of bytes; both return how many
    // bytes they covered.
    virtual std::size_t accumulate(const std::uint8_t* bytes, std::int32_t* sums, std::size_t n) const = 0;
    virtual std::size_t byteSum(const std::uint8_t* bytes, std::size_t n, std::uint64_t& total) const = 0;

    // Adds p[0..] to `total`, every |p[x]| <= maxMagnitude; returns how many values it added.
    virtual int sum(const std::int32_t* p, int n, std::int64_t maxMagnitude, std::int64_t& total) const = 0;
};

} // namespace velmora::server
