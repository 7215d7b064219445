#pragma once
// The periodogram of the "FFT Graph": the normalised Lomb–Scargle power of each axis's
// graph series for unevenly spaced times, on a logarithmic grid of periods, with its
// peaks. Column s = 0…W has the period T = 10^(s·D/W) (D = "FFT X Scale") and
// ω = 6.2831853 / T; per axis, with m the mean and σ² the variance (n − 1) of g:
//   C2 = Σ cos 2ωt, S2 = Σ sin 2ωt, Yc = Σ (g − m) cos ωt, Ys = Σ (g − m) sin ωt,
//   ωτ = ½ atan(S2 / C2), Zc = Yc cos ωτ + Ys sin ωτ, Zs = Ys cos ωτ − Yc sin ωτ,
//   K = C2 cos 2ωτ + S2 sin 2ωτ, power = Y (Zs² / (n − K) + Zc² / (n + K)) / σ².
//
// Computed without waste: the sine and cosine of ωt are taken once per column and
// sample and serve both axes, the doubled angles and ωτ come from identities, and
// n ∓ K, when one of them is small enough for cancellation to matter, is summed as
// 2 Σ sin² / 2 Σ cos² of ωt − ωτ instead. The buffers live in the object and are
// reused from one computation to the next.

#include "client/guiding/graph_series.h"

#include <array>
#include <span>
#include <string>
#include <vector>

namespace velmora::client {

// The design's 2π.
inline constexpr double kPeriodogramTwoPi = 6.2831853;

struct PeriodogramPeak {
    double periodSec = 0.0;
    double power = 0.0;

    friend bool operator==(const PeriodogramPeak&, const PeriodogramPeak&) = default;
};

// T = 10^(column · decades / width), seconds.
double periodogramPeriod(int column, int decades, int width);

// Peaks of a power curve over the columns: while the power does not fall (power ≥ the
// previous column's) a rise is noted; a fall after a rise makes the previous column a
// peak. Ordered strongest first, equal powers in column order. `peaks` is refilled.
void findPeriodogramPeaks(std::span<const double> periods, std::span<const double> power,
                          std::vector<PeriodogramPeak>& peaks);

// The first maxPeakNumber peaks, one "%.1f\t%.3f\r\n" line each (period, power).
std::string peakListText(std::span<const PeriodogramPeak> peaks, int maxPeakNumber);

class Periodogram {
public:
    // Columns 0…width (none for width < 1), power scaled by yScale. An axis not asked
    // for, with fewer than 2 samples, or constant (no variance to normalise by) is
    // skipped: no power, no peaks.
    void compute(const GraphSeries& series, const std::array<bool, 2>& axes, int decades, double yScale,
                 int width);

    std::span<const double> periods() const { return m_periods; }
    bool computed(int axis) const { return m_axes[index(axis)].computed; }
    std::span<const double> power(int axis) const { return m_axes[index(axis)].power; }
    std::span<const PeriodogramPeak> peaks(int axis) const { return m_axes[index(axis)].peaks; }

private:
    struct Axis {
        bool computed = false;
        double variance = 0.0;
        std::vector<double> deviations; // g − m
        std::vector<double> power;
        std::vector<PeriodogramPeak> peaks;
    };
    // Sums of one column.
    struct ColumnSums {
        double c2 = 0.0;
        double s2 = 0.0;
        std::array<double, 2> yc{};
        std::array<double, 2> ys{};
    };

    static std::size_t index(int axis) { return axis == 0 ? 0 : 1; }
    bool prepareAxis(Axis& axis, std::span<const double> values);
    void takeSinCos(double omega, std::span<const double> times);
    ColumnSums sumColumn() const;
    double power(const ColumnSums& sums, std::size_t slot, double cosTau, double sinTau, double nMinusK,
                 double nPlusK) const;
    void computeColumn(std::size_t column, double omega, std::span<const double> times, double yScale);

    std::vector<double> m_periods;
    std::vector<double> m_cos; // cos ωt of the current column, per sample
    std::vector<double> m_sin;
    std::array<Axis, 2> m_axes;
    std::array<std::size_t, 2> m_active{}; // the computed axes, first m_activeCount of them
    std::size_t m_activeCount = 0;
};

} // namespace velmora::client
