#include "client/guiding/guiding_history.h"

#include "client/guiding/exact_sum.h"
#include "client/guiding/linear_fit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <vector>

namespace velmora::client {
namespace {

// The history as the guiding step once rebuilt it every frame: copy the offsets,
// median pass from an ordered multiset per window, moving-average pass summing each
// window in index order, both reading the values from before their pass.
std::vector<double> referenceFilter(std::vector<double> series, const FilterSettings& f)
{
    const std::size_t count = series.size();
    if (f.useMedian && count >= static_cast<std::size_t>(f.medianNumber)) {
        const std::size_t half = static_cast<std::size_t>(f.medianNumber / 2);
        std::vector<double> out = series;
        for (std::size_t i = half; i + half < count; ++i) {
            std::multiset<double> window(series.begin() + static_cast<long>(i - half),
                                         series.begin() + static_cast<long>(i + half + 1));
            out[i] = *std::next(window.begin(), static_cast<long>(half));
        }
        series = out;
    }
    if (f.useLinear && count >= static_cast<std::size_t>(f.linearNumber)) {
        const std::size_t half = static_cast<std::size_t>(f.linearNumber / 2);
        std::vector<double> out = series;
        for (std::size_t i = half; i + half < count; ++i) {
            double sum = 0.0;
            for (std::size_t k = i - half; k <= i + half; ++k)
                sum += series[k];
            out[i] = sum / f.linearNumber;
        }
        series = out;
    }
    return series;
}

std::vector<double> toVector(std::span<const double> values)
{
    return {values.begin(), values.end()};
}

// Filtered series and drift fit of both axes equal, value for value, a recomputation
// from the stored records alone.
void expectSameAsRecomputed(const GuidingHistory& history)
{
    const std::vector<double> times = toVector(history.times());
    for (int axis = 0; axis < 2; ++axis) {
        const std::vector<double> expected =
            referenceFilter(toVector(history.offsets(axis)), history.filters());
        ASSERT_EQ(toVector(history.filtered(axis)), expected) << "axis " << axis << " size " << times.size();
        LinearFit fresh;
        for (std::size_t i = times.size(); i-- > 0;)
            fresh.add(times[i], expected[i]);
        EXPECT_EQ(history.fit(axis).slope(), fresh.slope()) << "axis " << axis;
        EXPECT_EQ(history.fit(axis).intercept(), fresh.intercept()) << "axis " << axis;
    }
}

GuidingHistory filledNewestFirst(std::initializer_list<double> newestFirst, const FilterSettings& filters)
{
    GuidingHistory history;
    history.setFilters(filters);
    std::vector<double> values(newestFirst);
    double t = 0.0;
    for (auto it = values.rbegin(); it != values.rend(); ++it)
        history.add(t += 1.0, *it, -*it);
    return history;
}

TEST(GuidingHistory, MedianAndMovingAverageOfTheDocumentedExamples)
{
    FilterSettings median{true, 3, false, 3};
    EXPECT_EQ(toVector(filledNewestFirst({1, 9, 2, 8}, median).filtered(0)),
              (std::vector<double>{1, 2, 8, 8}));
    FilterSettings linear{false, 3, true, 3};
    EXPECT_EQ(toVector(filledNewestFirst({3, 6, 9, 12}, linear).filtered(0)),
              (std::vector<double>{3, 6, 9, 12}));
    EXPECT_EQ(toVector(filledNewestFirst({0, 3, 0}, linear).filtered(0)), (std::vector<double>{0, 1, 0}));
    EXPECT_EQ(toVector(filledNewestFirst({0, 3, 0}, linear).filtered(1)), (std::vector<double>{0, -1, 0}));
    EXPECT_EQ(toVector(filledNewestFirst({1, 9, 2, 8}, median).offsets(0)), (std::vector<double>{1, 9, 2, 8}))
        << "the stored offsets stay unfiltered";

    // Shorter than the window: nothing is filtered.
    FilterSettings wide{true, 5, true, 5};
    EXPECT_EQ(toVector(filledNewestFirst({1, 9, 2, 8}, wide).filtered(0)), (std::vector<double>{1, 9, 2, 8}));
    // The moving average reads the median's output.
    FilterSettings both{true, 3, true, 3};
    EXPECT_EQ(toVector(filledNewestFirst({1, 9, 2, 8, 0}, both).filtered(0)),
              (std::vector<double>{1, 11.0 / 3, 4, 10.0 / 3, 0}));
}

TEST(GuidingHistory, WindowNumbersAreOddAndInRange)
{
    EXPECT_EQ(FilterSettings::oddWindow(4), 5);
    EXPECT_EQ(FilterSettings::oddWindow(5), 5);
    EXPECT_EQ(FilterSettings::oddWindow(1), 3);
    EXPECT_EQ(FilterSettings::oddWindow(24), 25);
    EXPECT_EQ(FilterSettings::oddWindow(100), 25);
    EXPECT_EQ(FilterSettings::oddWindow(-8), 3);
}

TEST(GuidingHistory, TheFrameAfterTheCapacityDropsTheOldestRecord)
{
    GuidingHistory history;
    for (int i = 1; i <= 10001; ++i)
        history.add(i * 0.5, i, -i);
    ASSERT_EQ(history.size(), 10000u);
    EXPECT_EQ(history.times().front(), 10001 * 0.5);
    EXPECT_EQ(history.times().back(), 1.0) << "record 1 went, record 2 is the oldest";
    EXPECT_EQ(history.offsets(0).back(), 2.0);
    EXPECT_EQ(history.offsets(1).front(), -10001.0);
    history.add(5001, 0, 0);
    EXPECT_EQ(history.size(), 10000u);
    EXPECT_EQ(history.offsets(0).back(), 3.0);
}

TEST(GuidingHistory, IncrementalResultsEqualARecomputationValueForValue)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<double> offset(-3.0, 3.0);
    std::uniform_int_distribution<int> coarse(-3, 3); // ties for the median
    for (const FilterSettings& filters :
         {FilterSettings{true, 25, true, 25}, FilterSettings{true, 3, true, 7},
          FilterSettings{false, 3, true, 9}, FilterSettings{true, 11, false, 3},
          FilterSettings{false, 3, false, 3}, FilterSettings{true, 25, true, 3},
          FilterSettings{false, 25, true, 3}}) {
        GuidingHistory history(60);
        history.setFilters(filters);
        double t = 0.0;
        for (int frame = 0; frame < 200; ++frame) {
            t += 0.05 + 0.01 * (frame % 7);
            const double h = frame % 3 == 0 ? coarse(random) : offset(random);
            history.add(t, h, 0.01 * frame + offset(random));
            expectSameAsRecomputed(history);
            if (::testing::Test::HasFatalFailure())
                return;
        }
    }
}

TEST(GuidingHistory, FullSizedHistoryAndAFilterChangeStayIdenticalToARecomputation)
{
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0.0, 0.8);
    GuidingHistory history;
    history.setFilters({true, 25, true, 25});
    double t = 0.0;
    for (int frame = 0; frame < 10040; ++frame) {
        t += 0.5;
        history.add(t, 0.002 * t + noise(random), -0.001 * t + noise(random));
        if (frame == 30 || frame == 9999 || frame == 10039)
            expectSameAsRecomputed(history);
    }
    history.setFilters({true, 7, false, 3});
    expectSameAsRecomputed(history);
    history.add(t + 0.5, 1.0, 1.0);
    expectSameAsRecomputed(history);
}

TEST(ExactSum, IsExactUnderCancellationAndAnyOrder)
{
    ExactSum sum;
    sum.add(1e100);
    sum.add(1.0);
    sum.subtract(1e100);
    EXPECT_EQ(sum.value(), 1.0);
    sum.clear();
    for (int i = 0; i < 10; ++i)
        sum.add(0.1);
    EXPECT_EQ(sum.value(), 1.0) << "the exact sum of ten 0.1 rounds to 1";
    sum.clear();
    sum.addProduct(1.0 + 0x1p-30, 1.0 - 0x1p-30); // 1 − 2^-60, which a double cannot hold
    sum.subtract(1.0);
    EXPECT_EQ(sum.value(), -0x1p-60) << "products are kept exactly";

    // Fixed-point values on a 2^-40 grid: their exact sum fits a 128-bit integer.
    std::mt19937_64 random(3);
    std::vector<double> terms;
    __int128 exact = 0;
    ExactSum forward;
    for (int i = 0; i < 5000; ++i) {
        const std::int64_t units = static_cast<std::int64_t>(random() >> 4) - (std::int64_t{1} << 59);
        terms.push_back(std::ldexp(static_cast<double>(units >> 8), -32));
        exact += static_cast<__int128>(units >> 8) << 8;
        forward.add(terms.back());
    }
    ExactSum backward;
    for (auto it = terms.rbegin(); it != terms.rend(); ++it)
        backward.add(*it);
    EXPECT_EQ(forward.value(), backward.value());
    EXPECT_EQ(forward.value(), std::ldexp(static_cast<double>(exact), -40));
    for (std::size_t i = 0; i < terms.size(); i += 2)
        forward.subtract(terms[i]);
    ExactSum odd;
    for (std::size_t i = 1; i < terms.size(); i += 2)
        odd.add(terms[i]);
    EXPECT_EQ(forward.value(), odd.value());
}

TEST(LinearFit, ZeroDenominatorGivesZeroAndALineIsRecovered)
{
    LinearFit fit;
    EXPECT_EQ(fit.slope(), 0.0);
    fit.add(2.5, 7.0);
    EXPECT_EQ(fit.slope(), 0.0) << "one record";
    EXPECT_EQ(fit.intercept(), 0.0);
    fit.add(2.5, 9.0);
    fit.add(2.5, 1.0);
    EXPECT_EQ(fit.slope(), 0.0) << "identical times";
    LinearFit tenths;
    for (int i = 0; i < 7; ++i)
        tenths.add(0.1, i);
    EXPECT_EQ(tenths.slope(), 0.0) << "identical times whose sums round";
    LinearFit line;
    for (int i = 0; i < 50; ++i)
        line.add(i * 0.25, 3.0 - 0.5 * (i * 0.25));
    EXPECT_DOUBLE_EQ(line.slope(), -0.5);
    EXPECT_DOUBLE_EQ(line.intercept(), 3.0);
    line.change(0.0, 3.0, 3.0);
    line.remove(0.0, 3.0);
    line.remove(0.25, 2.875);
    EXPECT_EQ(line.count(), 48u);
    EXPECT_DOUBLE_EQ(line.slope(), -0.5);
}

} // namespace
} // namespace velmora::client
