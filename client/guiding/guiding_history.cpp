#include "client/guiding/guiding_history.h"

namespace velmora::client {

GuidingHistory::GuidingHistory(std::size_t capacity)
    : m_times(capacity), m_axes{FilteredSeries(capacity), FilteredSeries(capacity)}
{
}

void GuidingHistory::clear()
{
    m_times.clear();
    for (FilteredSeries& axis : m_axes)
        axis.clear();
}

void GuidingHistory::add(double t, double h, double v)
{
    if (m_times.size() == m_times.capacity()) {
        for (FilteredSeries& axis : m_axes)
            axis.dropOldest(m_times);
        m_times.popBack();
    }
    m_times.pushFront(t);
    m_axes[0].pushFront(h, m_times);
    m_axes[1].pushFront(v, m_times);
}

void GuidingHistory::setFilters(const FilterSettings& filters)
{
    m_filters = filters.normalised();
    for (FilteredSeries& axis : m_axes)
        axis.refilter(m_filters, m_times);
}

} // namespace velmora::client
