#include "client/image/histogram_graph_layout.h"

#include <cmath>

namespace velmora::client {

std::array<HistogramBar, 53> histogramBars(std::span<const std::int32_t> reduced, std::int32_t largest,
                                           int clientHeight, bool logScale)
{
    std::array<HistogramBar, 53> bars;
    for (std::size_t i = 0; i < bars.size(); ++i) {
        HistogramBar& bar = bars[i];
        bar.x = 4 * static_cast<int>(i) + 2;
        if (largest <= 0 || i >= reduced.size() || reduced[i] <= 0)
            continue;
        const double count = reduced[i];
        const double height = logScale ? clientHeight * std::log(count + 1.0) / std::log(largest + 1.0)
                                       : static_cast<double>(clientHeight) * count / largest;
        bar.height = static_cast<int>(height);
    }
    return bars;
}

int levelMarkX(std::uint16_t level)
{
    return ((static_cast<int>(level) * 212) >> 16) + 2;
}

} // namespace velmora::client
