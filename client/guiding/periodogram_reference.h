#pragma once
// The periodogram straight from its formulas, column by column and sample by sample:
// a sine and a cosine of ωt and of 2ωt per sample, ωτ from the arc tangent, K from
// cos 2ωτ and sin 2ωτ. Periods, ω and each angle ωt are the same doubles as the fast
// computation's; everything after them is carried in long double, so the direct
// evaluation stays a sound judge where n ∓ K is small and the formulas cancel.

#include <span>
#include <vector>

namespace velmora::client {

// Power per column s = 0…width, scaled by yScale; empty for fewer than 2 samples or a
// constant series.
std::vector<double> referencePeriodogramPower(std::span<const double> times, std::span<const double> values,
                                              int decades, double yScale, int width);

} // namespace velmora::client
