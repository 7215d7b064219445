#include "client/guiding/graph_series.h"

#include "client/guiding/guiding_run.h"

#include <algorithm>

namespace velmora::client {

std::size_t GraphSeries::size() const
{
    return std::min({times.size(), offsets[0].size(), offsets[1].size()});
}

GraphSeries graphSeriesOf(const GuidingRun& run)
{
    return {run.history().times(),
            {run.graphSeries(GuidingAxisId::Horizontal), run.graphSeries(GuidingAxisId::Vertical)}};
}

} // namespace velmora::client
