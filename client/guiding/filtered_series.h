#pragma once
// One axis of the guiding history, newest first: the unfiltered offsets, the median
// filter's output, the moving average of that (the filtered series the graphs read)
// and the least-squares fit of the filtered series against time.
//
// A filtered value depends only on its window of neighbours and on whether it lies
// inside the filterable range, so a new record (and the loss of the oldest) changes
// only the values near the two ends. Those are recomputed exactly as a whole pass
// would compute them, and the fit's exact sums follow the changes, so the series and
// the fit are always identical to filtering and fitting the whole history afresh.

#include "client/guiding/filter_settings.h"
#include "client/guiding/linear_fit.h"
#include "client/guiding/newest_first_array.h"

#include <span>
#include <vector>

namespace velmora::client {

class FilteredSeries {
public:
    explicit FilteredSeries(std::size_t capacity);

    void clear();
    // Before the oldest time leaves `times`.
    void dropOldest(const NewestFirstArray& times);
    // After the new record's time went to the front of `times`.
    void pushFront(double value, const NewestFirstArray& times);
    // New filter settings: everything recomputed once.
    void refilter(const FilterSettings& filters, const NewestFirstArray& times);

    std::span<const double> offsets() const { return m_raw.values(); }
    std::span<const double> filtered() const { return m_filtered.values(); }
    const LinearFit& fit() const { return m_fit; }

private:
    double medianRule(std::size_t i);
    double linearRule(std::size_t i) const;
    void touch(std::size_t centre, std::size_t halfWidth);
    void updateLinear(std::size_t i, const NewestFirstArray& times);

    FilterSettings m_filters;
    NewestFirstArray m_raw;
    NewestFirstArray m_median;
    NewestFirstArray m_filtered;
    LinearFit m_fit;
    std::vector<std::size_t> m_touched; // reused per record
    std::vector<double> m_window;       // median scratch
};

} // namespace velmora::client
