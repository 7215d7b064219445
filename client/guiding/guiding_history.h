#pragma once
// The guiding run's history: one record (t seconds since Start, h and v arcseconds)
// per guided frame, newest first, at most `capacity` records (the oldest goes), with
// each axis's filtered series and drift fit kept up to date record by record.

#include "client/guiding/filter_settings.h"
#include "client/guiding/filtered_series.h"
#include "client/guiding/newest_first_array.h"

#include <array>
#include <span>

namespace velmora::client {

class GuidingHistory {
public:
    static constexpr std::size_t kCapacity = 10000;

    explicit GuidingHistory(std::size_t capacity = kCapacity);

    void clear();
    void add(double t, double h, double v);
    // Takes effect for the whole history at once.
    void setFilters(const FilterSettings& filters);
    const FilterSettings& filters() const { return m_filters; }

    std::size_t size() const { return m_times.size(); }
    std::size_t capacity() const { return m_times.capacity(); }
    std::span<const double> times() const { return m_times.values(); }
    // Axis 0 horizontal, 1 vertical.
    std::span<const double> offsets(int axis) const { return series(axis).offsets(); }
    std::span<const double> filtered(int axis) const { return series(axis).filtered(); }
    const LinearFit& fit(int axis) const { return series(axis).fit(); }

private:
    const FilteredSeries& series(int axis) const { return m_axes[axis == 0 ? 0 : 1]; }

    FilterSettings m_filters;
    NewestFirstArray m_times;
    std::array<FilteredSeries, 2> m_axes;
};

} // namespace velmora::client
