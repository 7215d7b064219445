#include "client/guiding/filtered_series.h"

#include <algorithm>

namespace velmora::client {

namespace {

// Whether position i of a series of `count` values is replaced by a window of n:
// the history holds at least n values and i has n / 2 neighbours on either side.
bool inWindowRange(bool on, int n, std::size_t i, std::size_t count)
{
    const auto half = static_cast<std::size_t>(n / 2);
    return on && count >= static_cast<std::size_t>(n) && i >= half && i < count - half;
}

} // namespace

FilteredSeries::FilteredSeries(std::size_t capacity)
    : m_raw(capacity), m_median(capacity), m_filtered(capacity)
{
    m_window.reserve(FilterSettings::kMaxWindow);
}

void FilteredSeries::clear()
{
    m_raw.clear();
    m_median.clear();
    m_filtered.clear();
    m_fit.clear();
}

void FilteredSeries::dropOldest(const NewestFirstArray& times)
{
    if (m_raw.size() == 0)
        return;
    m_fit.remove(times.back(), m_filtered.back());
    m_raw.popBack();
    m_median.popBack();
    m_filtered.popBack();
}

// The median of the unfiltered window (its element of rank n / 2), or the value itself.
double FilteredSeries::medianRule(std::size_t i)
{
    if (!inWindowRange(m_filters.useMedian, m_filters.medianNumber, i, m_raw.size()))
        return m_raw[i];
    const std::size_t half = static_cast<std::size_t>(m_filters.medianNumber / 2);
    const std::span<const double> raw = m_raw.values();
    m_window.assign(raw.begin() + static_cast<std::ptrdiff_t>(i - half),
                    raw.begin() + static_cast<std::ptrdiff_t>(i + half + 1));
    std::nth_element(m_window.begin(), m_window.begin() + static_cast<std::ptrdiff_t>(half), m_window.end());
    return m_window[half];
}

// The mean of the median output's window, summed in index order, or the value itself.
double FilteredSeries::linearRule(std::size_t i) const
{
    if (!inWindowRange(m_filters.useLinear, m_filters.linearNumber, i, m_median.size()))
        return m_median[i];
    const std::size_t half = static_cast<std::size_t>(m_filters.linearNumber / 2);
    double sum = 0.0;
    for (std::size_t k = i - half; k <= i + half; ++k)
        sum += m_median[k];
    return sum / m_filters.linearNumber;
}

void FilteredSeries::updateLinear(std::size_t i, const NewestFirstArray& times)
{
    const double value = linearRule(i);
    if (value != m_filtered[i]) {
        m_fit.change(times[i], m_filtered[i], value);
        m_filtered[i] = value;
    }
}

void FilteredSeries::touch(std::size_t centre, std::size_t halfWidth)
{
    const std::size_t count = m_raw.size();
    if (centre >= count)
        return;
    const std::size_t first = centre > halfWidth ? centre - halfWidth : 0;
    const std::size_t last = std::min(centre + halfWidth, count - 1);
    for (std::size_t i = first; i <= last; ++i)
        m_touched.push_back(i);
}

// Only the median positions whose window now holds the new record (n / 2) or that
// just left the filterable range at the old end (count − n / 2) change, besides the
// new record itself; the moving average changes wherever its window holds one of
// those, or where its own range begins or ends.
void FilteredSeries::pushFront(double value, const NewestFirstArray& times)
{
    m_raw.pushFront(value);
    m_median.pushFront(value);
    m_filtered.pushFront(value);
    m_fit.add(times[0], value);

    const std::size_t count = m_raw.size();
    const auto medianHalf = static_cast<std::size_t>(m_filters.medianNumber / 2);
    const auto linearHalf = static_cast<std::size_t>(m_filters.linearNumber / 2);
    const std::size_t medianChanged[] = {medianHalf, count >= medianHalf ? count - medianHalf : count};
    for (std::size_t i : medianChanged)
        if (i < count)
            m_median[i] = medianRule(i);

    m_touched.clear();
    touch(0, linearHalf);
    for (std::size_t i : medianChanged)
        touch(i, linearHalf);
    touch(linearHalf, 0);
    touch(count >= linearHalf ? count - linearHalf : count, 0);
    std::sort(m_touched.begin(), m_touched.end());
    m_touched.erase(std::unique(m_touched.begin(), m_touched.end()), m_touched.end());
    for (std::size_t i : m_touched)
        updateLinear(i, times);
}

void FilteredSeries::refilter(const FilterSettings& filters, const NewestFirstArray& times)
{
    m_filters = filters.normalised();
    const std::size_t count = m_raw.size();
    for (std::size_t i = 0; i < count; ++i)
        m_median[i] = medianRule(i);
    m_fit.clear();
    for (std::size_t i = 0; i < count; ++i) {
        m_filtered[i] = linearRule(i);
        m_fit.add(times[i], m_filtered[i]);
    }
}

} // namespace velmora::client
