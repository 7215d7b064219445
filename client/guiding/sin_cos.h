#pragma once
// The sine and cosine of one angle together, without branches, so a loop of them runs
// at the speed of its arithmetic: reduction by multiples of π/2 in three parts, then
// the minimax polynomials of the classic fdlibm kernels on [−π/4, π/4]. Agrees with
// std::sin and std::cos to about 2·10⁻¹⁶ for |a| ≤ kFastSinCosLimit, where the whole
// multiple k of π/2 stays below 2^20 and k times the leading part of π/2 is exact;
// callers fall back to std::sin and std::cos beyond it.

#include <bit>
#include <cstdint>

namespace velmora::client {

inline constexpr double kFastSinCosLimit = 1.0e6;

inline void fastSinCos(double a, double& sine, double& cosine)
{
    constexpr double kTwoOverPi = 6.36619772367581382433e-01;
    constexpr double kPiOver2Part1 = 1.57079632673412561417e+00; // 33 leading bits
    constexpr double kPiOver2Part2 = 6.07710050630396597660e-11; // the next 33
    constexpr double kPiOver2Part3 = 2.02226624871116645580e-21;
    constexpr double kRoundToInteger = 6755399441055744.0; // 1.5 × 2^52
    constexpr double kS1 = -1.66666666666666324348e-01, kS2 = 8.33333333332248946124e-03,
                     kS3 = -1.98412698298579493134e-04, kS4 = 2.75573137070700676789e-06,
                     kS5 = -2.50507602534068634195e-08, kS6 = 1.58969099521155010221e-10;
    constexpr double kC1 = 4.16666666666666019037e-02, kC2 = -1.38888888888741095749e-03,
                     kC3 = 2.48015872894767294178e-05, kC4 = -2.75573143513906633035e-07,
                     kC5 = 2.08757232129817482790e-09, kC6 = -1.13596475577881948265e-11;

    // k = round(a · 2/π); its low bits are the quadrant.
    const double shifted = a * kTwoOverPi + kRoundToInteger;
    const std::uint64_t quadrant = std::bit_cast<std::uint64_t>(shifted);
    const double k = shifted - kRoundToInteger;
    const double r = ((a - k * kPiOver2Part1) - k * kPiOver2Part2) - k * kPiOver2Part3;

    const double z = r * r;
    const double sinR = r + r * z * (kS1 + z * (kS2 + z * (kS3 + z * (kS4 + z * (kS5 + z * kS6)))));
    const double cosR =
        1.0 - 0.5 * z + z * z * (kC1 + z * (kC2 + z * (kC3 + z * (kC4 + z * (kC5 + z * kC6)))));

    // Odd quadrants swap sine and cosine; quadrants 2, 3 negate the sine, 1, 2 the cosine.
    const std::uint64_t swap = 0 - (quadrant & 1);
    const std::uint64_t sinBits = std::bit_cast<std::uint64_t>(sinR);
    const std::uint64_t cosBits = std::bit_cast<std::uint64_t>(cosR);
    sine = std::bit_cast<double>(((sinBits & ~swap) | (cosBits & swap)) ^ ((quadrant & 2) << 62));
    cosine = std::bit_cast<double>(((cosBits & ~swap) | (sinBits & swap)) ^ (((quadrant + 1) & 2) << 62));
}

} // namespace velmora::client
