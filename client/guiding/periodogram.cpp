#include "client/guiding/periodogram.h"

#include "client/guiding/sin_cos.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmora::client {

namespace {

// Below this fraction of n, n − K (or n + K) is summed from the samples: taken from C2
// and S2 it would lose about ε/fraction of its relative precision to cancellation.
constexpr double kCancellationFraction = 1e-3;

double largestMagnitude(std::span<const double> values)
{
    double largest = 0.0;
    for (const double v : values)
        largest = std::max(largest, std::fabs(v));
    return largest;
}

// cos and sin of ωτ and 2ωτ, with 2ωτ = atan(S2 / C2) in (−π/2, π/2]; 0 when C2 and S2
// are both 0 (no direction to turn to).
struct Rotation {
    double cos2 = 1.0;
    double sin2 = 0.0;
    double cos = 1.0;
    double sin = 0.0;
};

Rotation rotationOf(double c2, double s2)
{
    Rotation rotation;
    const double hypotenuse = std::sqrt(c2 * c2 + s2 * s2);
    if (hypotenuse > 0.0) {
        rotation.cos2 = std::fabs(c2) / hypotenuse;
        rotation.sin2 = (c2 < 0.0 ? -s2 : s2) / hypotenuse;
    }
    // Half the angle: ωτ lies in (−π/4, π/4], so its cosine is the positive root.
    rotation.cos = std::sqrt(0.5 * (1.0 + rotation.cos2));
    rotation.sin = rotation.sin2 / (2.0 * rotation.cos);
    return rotation;
}

} // namespace

double periodogramPeriod(int column, int decades, int width)
{
    return std::pow(10.0, static_cast<double>(column) * decades / width);
}

void findPeriodogramPeaks(std::span<const double> periods, std::span<const double> power,
                          std::vector<PeriodogramPeak>& peaks)
{
    peaks.clear();
    const std::size_t count = std::min(periods.size(), power.size());
    bool rising = false;
    for (std::size_t s = 1; s < count; ++s) {
        if (power[s] >= power[s - 1]) {
            rising = true;
        } else if (rising) {
            peaks.push_back({periods[s - 1], power[s - 1]});
            rising = false;
        }
    }
    std::stable_sort(peaks.begin(), peaks.end(),
                     [](const PeriodogramPeak& a, const PeriodogramPeak& b) { return a.power > b.power; });
}

std::string peakListText(std::span<const PeriodogramPeak> peaks, int maxPeakNumber)
{
    std::string text;
    const std::size_t shown = std::min(peaks.size(), static_cast<std::size_t>(std::max(maxPeakNumber, 0)));
    for (std::size_t i = 0; i < shown; ++i) {
        char line[96];
        std::snprintf(line, sizeof line, "%.1f\t%.3f\r\n", peaks[i].periodSec, peaks[i].power);
        text += line;
    }
    return text;
}

void Periodogram::compute(const GraphSeries& series, const std::array<bool, 2>& axes, int decades,
                          double yScale, int width)
{
    const std::size_t n = series.size();
    const std::size_t columns = width >= 1 ? static_cast<std::size_t>(width) + 1 : 0;
    m_activeCount = 0;
    for (int axis = 0; axis < 2; ++axis) {
        Axis& state = m_axes[index(axis)];
        state.power.clear();
        state.peaks.clear();
        state.computed = columns > 0 && axes[index(axis)] && prepareAxis(state, series.axis(axis));
        if (state.computed) {
            state.power.resize(columns);
            m_active[m_activeCount++] = index(axis);
        }
    }
    m_periods.resize(columns);
    for (std::size_t s = 0; s < columns; ++s)
        m_periods[s] = periodogramPeriod(static_cast<int>(s), decades, width);
    if (m_activeCount == 0)
        return;

    const std::span<const double> times = series.times.first(n);
    m_cos.resize(n);
    m_sin.resize(n);
    for (std::size_t s = 0; s < columns; ++s)
        computeColumn(s, kPeriodogramTwoPi / m_periods[s], times, yScale);
    for (std::size_t slot = 0; slot < m_activeCount; ++slot) {
        Axis& state = m_axes[m_active[slot]];
        findPeriodogramPeaks(m_periods, state.power, state.peaks);
    }
}

bool Periodogram::prepareAxis(Axis& axis, std::span<const double> values)
{
    const std::size_t n = values.size();
    if (n < 2)
        return false;
    const auto [low, high] = std::minmax_element(values.begin(), values.end());
    if (*low == *high)
        return false;
    double sum = 0.0;
    for (const double g : values)
        sum += g;
    const double mean = sum / static_cast<double>(n);
    axis.deviations.resize(n);
    double squares = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        axis.deviations[i] = values[i] - mean;
        squares += axis.deviations[i] * axis.deviations[i];
    }
    axis.variance = squares / static_cast<double>(n - 1);
    return axis.variance > 0.0;
}

void Periodogram::takeSinCos(double omega, std::span<const double> times)
{
    const std::size_t n = times.size();
    double* const cosines = m_cos.data();
    double* const sines = m_sin.data();
    if (omega * largestMagnitude(times) <= kFastSinCosLimit) {
        for (std::size_t i = 0; i < n; ++i)
            fastSinCos(omega * times[i], sines[i], cosines[i]);
        return;
    }
    for (std::size_t i = 0; i < n; ++i) {
        const double a = omega * times[i];
        sines[i] = std::sin(a);
        cosines[i] = std::cos(a);
    }
}

Periodogram::ColumnSums Periodogram::sumColumn() const
{
    const std::size_t n = m_cos.size();
    const double* const cosines = m_cos.data();
    const double* const sines = m_sin.data();
    ColumnSums sums;
    double c2 = 0.0, sc = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const double c = cosines[i], s = sines[i];
        c2 += (c - s) * (c + s); // cos 2a = cos² a − sin² a
        sc += s * c;             // sin 2a = 2 sin a cos a
    }
    sums.c2 = c2;
    sums.s2 = 2.0 * sc;
    for (std::size_t slot = 0; slot < m_activeCount; ++slot) {
        const double* const d = m_axes[m_active[slot]].deviations.data();
        double yc = 0.0, ys = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            yc += d[i] * cosines[i];
            ys += d[i] * sines[i];
        }
        sums.yc[slot] = yc;
        sums.ys[slot] = ys;
    }
    return sums;
}

double Periodogram::power(const ColumnSums& sums, std::size_t slot, double cosTau, double sinTau,
                          double nMinusK, double nPlusK) const
{
    const double zc = sums.yc[slot] * cosTau + sums.ys[slot] * sinTau;
    const double zs = sums.ys[slot] * cosTau - sums.yc[slot] * sinTau;
    double power = 0.0;
    if (nMinusK > 0.0)
        power += zs * zs / nMinusK;
    if (nPlusK > 0.0)
        power += zc * zc / nPlusK;
    return power / m_axes[m_active[slot]].variance;
}

void Periodogram::computeColumn(std::size_t column, double omega, std::span<const double> times,
                                double yScale)
{
    takeSinCos(omega, times);
    const ColumnSums sums = sumColumn();
    const Rotation tau = rotationOf(sums.c2, sums.s2);
    const double n = static_cast<double>(times.size());
    const double k = sums.c2 * tau.cos2 + sums.s2 * tau.sin2;
    double nMinusK = n - k;
    double nPlusK = n + k;
    if (std::min(nMinusK, nPlusK) < kCancellationFraction * n) {
        // Σ sin² (ωt − ωτ) = (n − K) / 2 and Σ cos² (ωt − ωτ) = (n + K) / 2, summed
        // without the cancellation.
        double sinSquares = 0.0, cosSquares = 0.0;
        for (std::size_t i = 0; i < times.size(); ++i) {
            const double sinTheta = m_sin[i] * tau.cos - m_cos[i] * tau.sin;
            const double cosTheta = m_cos[i] * tau.cos + m_sin[i] * tau.sin;
            sinSquares += sinTheta * sinTheta;
            cosSquares += cosTheta * cosTheta;
        }
        nMinusK = 2.0 * sinSquares;
        nPlusK = 2.0 * cosSquares;
    }
    for (std::size_t slot = 0; slot < m_activeCount; ++slot)
        m_axes[m_active[slot]].power[column] = yScale * power(sums, slot, tau.cos, tau.sin, nMinusK, nPlusK);
}

} // namespace velmora::client
