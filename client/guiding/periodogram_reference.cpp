#include "client/guiding/periodogram_reference.h"

#include "client/guiding/periodogram.h"

#include <algorithm>
#include <cmath>

namespace velmora::client {

std::vector<double> referencePeriodogramPower(std::span<const double> times, std::span<const double> values,
                                              int decades, double yScale, int width)
{
    const std::size_t count = std::min(times.size(), values.size());
    if (count < 2 || width < 1 ||
        std::all_of(values.begin(), values.begin() + static_cast<long>(count),
                    [&](double g) { return g == values[0]; }))
        return {};
    const long double n = static_cast<long double>(count);
    long double sum = 0.0L;
    for (std::size_t i = 0; i < count; ++i)
        sum += values[i];
    const long double mean = sum / n;
    long double squares = 0.0L;
    for (std::size_t i = 0; i < count; ++i)
        squares += (values[i] - mean) * (values[i] - mean);
    const long double variance = squares / (n - 1.0L);

    std::vector<double> power(static_cast<std::size_t>(width) + 1);
    for (int s = 0; s <= width; ++s) {
        const double omega = kPeriodogramTwoPi / periodogramPeriod(s, decades, width);
        long double c2 = 0.0L, s2 = 0.0L, yc = 0.0L, ys = 0.0L;
        for (std::size_t i = 0; i < count; ++i) {
            const long double a = omega * times[i];
            c2 += std::cos(2.0L * a);
            s2 += std::sin(2.0L * a);
            yc += (values[i] - mean) * std::cos(a);
            ys += (values[i] - mean) * std::sin(a);
        }
        const long double omegaTau = (c2 == 0.0L && s2 == 0.0L) ? 0.0L : 0.5L * std::atan(s2 / c2);
        const long double zc = yc * std::cos(omegaTau) + ys * std::sin(omegaTau);
        const long double zs = ys * std::cos(omegaTau) - yc * std::sin(omegaTau);
        const long double k = c2 * std::cos(2.0L * omegaTau) + s2 * std::sin(2.0L * omegaTau);
        long double sine = 0.0L, cosine = 0.0L;
        if (n - k > 0.0L)
            sine = zs * zs / (n - k);
        if (n + k > 0.0L)
            cosine = zc * zc / (n + k);
        power[static_cast<std::size_t>(s)] = static_cast<double>(yScale * (sine + cosine) / variance);
    }
    return power;
}

} // namespace velmora::client
