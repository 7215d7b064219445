#include "client/guiding/periodogram.h"

#include "client/guiding/graph_test_history.h"
#include "client/guiding/periodogram_reference.h"
#include "client/guiding/sin_cos.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace velmora::client {
namespace {

constexpr std::array<bool, 2> kBothAxes{true, true};
constexpr int kWidth = 499; // 500 columns

TEST(FastSinCos, AgreesWithTheLibraryUpToItsLimit)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<double> wide(-kFastSinCosLimit, kFastSinCosLimit);
    std::uniform_real_distribution<double> small(-4.0, 4.0);
    double largestError = 0.0;
    for (int i = 0; i < 200000; ++i) {
        const double a = (i % 2) ? wide(random) : small(random);
        double s = 0.0, c = 0.0;
        fastSinCos(a, s, c);
        largestError = std::max({largestError, std::fabs(s - std::sin(a)), std::fabs(c - std::cos(a))});
    }
    EXPECT_LT(largestError, 1e-15);
    for (const double a :
         {0.0, 1.5707963267948966, 3.141592653589793, -1.5707963267948966, kFastSinCosLimit}) {
        double s = 0.0, c = 0.0;
        fastSinCos(a, s, c);
        EXPECT_NEAR(s, std::sin(a), 1e-15) << a;
        EXPECT_NEAR(c, std::cos(a), 1e-15) << a;
    }
}

TEST(Periodogram, ColumnsAreALogarithmicGridOfPeriods)
{
    EXPECT_DOUBLE_EQ(periodogramPeriod(0, 3, kWidth), 1.0);
    EXPECT_DOUBLE_EQ(periodogramPeriod(kWidth, 3, kWidth), 1000.0);
    EXPECT_NEAR(periodogramPeriod(250, 2, 500), 10.0, 1e-12);
}

TEST(Periodogram, PeaksFollowTheRiseAndFallRule)
{
    const std::vector<double> periods{1, 2, 3, 4, 5, 6, 7, 8};
    std::vector<PeriodogramPeak> peaks;
    // A plateau counts as rising; the last column, still rising, is no peak.
    findPeriodogramPeaks(periods, std::vector<double>{1, 2, 2, 1, 3, 0.5, 3, 4}, peaks);
    EXPECT_EQ(peaks, (std::vector<PeriodogramPeak>{{5, 3}, {3, 2}}));
    // Equal powers stay in the order found.
    findPeriodogramPeaks(periods, std::vector<double>{0, 1, 0, 1, 0, 1, 0, 0}, peaks);
    EXPECT_EQ(peaks, (std::vector<PeriodogramPeak>{{2, 1}, {4, 1}, {6, 1}}));
    // Falling from the first column: no rise was noted, so no peak.
    findPeriodogramPeaks(periods, std::vector<double>{8, 7, 6, 5, 4, 3, 2, 1}, peaks);
    EXPECT_TRUE(peaks.empty());
}

TEST(Periodogram, PeakListFormat)
{
    const std::vector<PeriodogramPeak> peaks{{300.04, 12.3456}, {45.0, 1.0}, {2.25, 0.5}};
    EXPECT_EQ(peakListText(peaks, 2), "300.0\t12.346\r\n45.0\t1.000\r\n");
    EXPECT_EQ(peakListText(peaks, 10), "300.0\t12.346\r\n45.0\t1.000\r\n2.2\t0.500\r\n");
    EXPECT_EQ(peakListText(peaks, 0), "");
}

TEST(Periodogram, TooFewOrConstantSamplesAndUnshownAxesAreSkipped)
{
    GraphTestHistory single;
    single.add(1.0, 0.5, 0.5);
    Periodogram periodogram;
    periodogram.compute(single.series(), kBothAxes, 1, 1.0, kWidth);
    EXPECT_FALSE(periodogram.computed(0));
    EXPECT_FALSE(periodogram.computed(1));
    EXPECT_EQ(periodogram.periods().size(), 500u);

    GraphTestHistory history;
    for (int i = 0; i < 50; ++i)
        history.add(100.0 - i, 0.1, std::sin(i * 0.3)); // horizontal constant
    periodogram.compute(history.series(), kBothAxes, 1, 1.0, kWidth);
    EXPECT_FALSE(periodogram.computed(0));
    EXPECT_TRUE(periodogram.power(0).empty());
    EXPECT_TRUE(periodogram.peaks(0).empty());
    ASSERT_TRUE(periodogram.computed(1));
    EXPECT_EQ(periodogram.power(1).size(), 500u);
    EXPECT_FALSE(periodogram.peaks(1).empty());

    periodogram.compute(history.series(), {true, false}, 1, 1.0, kWidth);
    EXPECT_FALSE(periodogram.computed(1));
    EXPECT_TRUE(periodogram.power(1).empty());
    EXPECT_TRUE(periodogram.peaks(1).empty());
}

// Frame times newest first from about `span` seconds down to 0: steps of `step` with
// ±jitter, and no frames between gapStart and gapEnd.
GraphTestHistory sineHistory(double span, double step, double jitter, double periodH, double periodV,
                             double gapStart = 0.0, double gapEnd = 0.0)
{
    std::mt19937 random(21);
    std::uniform_real_distribution<double> shake(-jitter, jitter);
    std::normal_distribution<double> noise(0.0, 0.2);
    GraphTestHistory history;
    for (double t = span; t >= 0.0; t -= step) {
        const double frame = t + shake(random);
        if (frame > gapStart && frame < gapEnd)
            continue;
        history.add(frame, 2.0 * std::sin(kPeriodogramTwoPi * frame / periodH) + noise(random),
                    1.5 * std::cos(kPeriodogramTwoPi * frame / periodV) + noise(random));
    }
    return history;
}

// Within one column of the grid of D decades over `width` columns.
void expectPeriodNear(double found, double expected, int decades, int width)
{
    EXPECT_LE(std::fabs(std::log10(found) - std::log10(expected)),
              static_cast<double>(decades) / width + 1e-12)
        << "found " << found << " for " << expected;
}

TEST(Periodogram, StrongestPeakAtTheSinePeriod)
{
    const GraphTestHistory history = sineHistory(3000.0, 1.0, 0.0, 300.0, 45.0);
    Periodogram periodogram;
    periodogram.compute(history.series(), kBothAxes, 3, 1.0, kWidth);
    ASSERT_TRUE(periodogram.computed(0));
    ASSERT_FALSE(periodogram.peaks(0).empty());
    expectPeriodNear(periodogram.peaks(0)[0].periodSec, 300.0, 3, kWidth);
    ASSERT_FALSE(periodogram.peaks(1).empty());
    expectPeriodNear(periodogram.peaks(1)[0].periodSec, 45.0, 3, kWidth);
    // Normalised power: a clean sine over n samples peaks near n / 2 times its share of the variance.
    EXPECT_GT(periodogram.peaks(0)[0].power, 100.0);
}

TEST(Periodogram, UnevenSamplingWithAGapStillFindsThePeriod)
{
    const GraphTestHistory history = sineHistory(4000.0, 1.3, 0.4, 300.0, 120.0, 1500.0, 2200.0);
    Periodogram periodogram;
    periodogram.compute(history.series(), kBothAxes, 3, 1.0, kWidth);
    ASSERT_FALSE(periodogram.peaks(0).empty());
    expectPeriodNear(periodogram.peaks(0)[0].periodSec, 300.0, 3, kWidth);
    ASSERT_FALSE(periodogram.peaks(1).empty());
    expectPeriodNear(periodogram.peaks(1)[0].periodSec, 120.0, 3, kWidth);
}

TEST(Periodogram, YScaleMultipliesThePower)
{
    const GraphTestHistory history = sineHistory(600.0, 2.0, 0.5, 100.0, 100.0);
    Periodogram unit, scaled;
    unit.compute(history.series(), kBothAxes, 2, 1.0, kWidth);
    scaled.compute(history.series(), kBothAxes, 2, 2.5, kWidth);
    for (std::size_t s = 0; s < unit.power(0).size(); ++s)
        EXPECT_NEAR(scaled.power(0)[s], 2.5 * unit.power(0)[s], 1e-12 * (1.0 + unit.power(0)[s]));
}

// Random frame intervals (0.2…3 s) with an occasional gap of 50…500 s, random offsets, and
// both axes through the fast computation, each column against the direct formulas.
void expectAgreesWithDirectFormulas(std::size_t count, int decades, unsigned seed, double start = 0.0)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> interval(0.2, 3.0);
    std::uniform_real_distribution<double> gap(0.0, 1.0);
    std::normal_distribution<double> offset(0.0, 1.5);
    GraphTestHistory history;
    std::vector<double> forward;
    double t = start;
    for (std::size_t i = 0; i < count; ++i) {
        forward.push_back(t);
        t += interval(random) + (gap(random) < 0.01 ? 50.0 + 450.0 * gap(random) : 0.0);
    }
    for (auto it = forward.rbegin(); it != forward.rend(); ++it)
        history.add(*it, offset(random), 0.3 * offset(random) + 0.01 * *it);

    Periodogram periodogram;
    const double yScale = 1.75;
    periodogram.compute(history.series(), kBothAxes, decades, yScale, kWidth);
    for (int axis = 0; axis < 2; ++axis) {
        const std::vector<double> direct = referencePeriodogramPower(
            history.times, axis == 0 ? history.h : history.v, decades, yScale, kWidth);
        ASSERT_TRUE(periodogram.computed(axis));
        ASSERT_EQ(periodogram.power(axis).size(), direct.size());
        const double largest = *std::max_element(direct.begin(), direct.end());
        ASSERT_GT(largest, 0.0);
        double worst = 0.0;
        for (std::size_t s = 0; s < direct.size(); ++s)
            worst = std::max(worst, std::fabs(periodogram.power(axis)[s] - direct[s]));
        EXPECT_LE(worst, 1e-9 * largest) << count << " samples, " << decades << " decades, axis " << axis
                                         << ", seed " << seed << ", largest power " << largest;
    }
}

TEST(Periodogram, FastAgreesWithTheDirectFormulasOnFewSamples)
{
    for (const std::size_t count : {2u, 3u, 100u})
        for (int decades = 1; decades <= 4; ++decades)
            for (unsigned seed = 1; seed <= 5; ++seed)
                expectAgreesWithDirectFormulas(count, decades, seed);
}

TEST(Periodogram, FastAgreesWithTheDirectFormulasOnAFullHistory)
{
    expectAgreesWithDirectFormulas(10000, 4, 7);
}

TEST(Periodogram, FastAgreesWithTheDirectFormulasPastTheFastSinCosLimit)
{
    // Times near 3·10^5 s: short periods take angles beyond the fast kernel's range.
    expectAgreesWithDirectFormulas(100, 2, 9, 3.0e5);
}

} // namespace
} // namespace velmora::client
