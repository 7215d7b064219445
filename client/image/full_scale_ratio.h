#pragma once
// t·65535 / divisor, truncated, for 0 ≤ t ≤ divisor ≤ 65535, with 16-bit integer
// multiplies only, so that sample loops vectorise 16 lanes wide and run no division.
//
// With A = 65535 / divisor and R = 65535 mod divisor, t·65535/divisor = t·A + t·R/divisor.
// t·A is below 65536. The fraction t·R/divisor is taken as (t·M) >> 32 with
// M = ceil(R·2^32 / divisor): that overestimates by less than t/2^32 < 2^-16, while a
// non-integer t·R/divisor lies at least 1/divisor > 2^-16 below the next integer, so
// the truncation is exact (also verified over every divisor and every t). The 48-bit
// product is formed from 16-bit halves of M, carrying the low half by hand.

#include <cstdint>

namespace velmora::client {

class FullScaleRatio {
public:
    explicit FullScaleRatio(std::uint32_t divisor)
    {
        m_whole = static_cast<std::uint16_t>(65535u / divisor);
        const std::uint64_t remainder = 65535u % divisor;
        const std::uint64_t fraction = ((remainder << 32) + divisor - 1) / divisor; // below 2^32
        m_fractionHigh = static_cast<std::uint16_t>(fraction >> 16);
        m_fractionLow = static_cast<std::uint16_t>(fraction);
    }

    std::uint16_t operator()(std::uint16_t t) const
    {
        const auto whole = static_cast<std::uint16_t>(t * m_whole);
        const auto high = static_cast<std::uint16_t>((std::uint32_t{t} * m_fractionHigh) >> 16);
        const auto low = static_cast<std::uint16_t>(std::uint32_t{t} * m_fractionHigh);
        const auto lowCarry = static_cast<std::uint16_t>((std::uint32_t{t} * m_fractionLow) >> 16);
        const auto sum = static_cast<std::uint16_t>(low + lowCarry);
        return static_cast<std::uint16_t>(whole + high + (sum < low ? 1 : 0));
    }

private:
    std::uint16_t m_whole = 0;
    std::uint16_t m_fractionHigh = 0;
    std::uint16_t m_fractionLow = 0;
};

} // namespace velmora::client
