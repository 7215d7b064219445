#include "server/frame/scaled_value.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace velmora::server {

double realFromStored(std::int32_t stored, int factor)
{
    return static_cast<double>(stored) / factor;
}

std::int32_t storedFromReal(double real, int factor)
{
    double product = real * factor;
    if (std::isnan(product))
        return 0;
    double nearest = std::nearbyint(product);
    double whole = std::fabs(product - nearest) <= 1e-9 * std::max(1.0, std::fabs(product))
                       ? nearest
                       : std::trunc(product);
    constexpr double kLow = std::numeric_limits<std::int32_t>::min();
    constexpr double kHigh = std::numeric_limits<std::int32_t>::max();
    if (whole <= kLow)
        return std::numeric_limits<std::int32_t>::min();
    if (whole >= kHigh)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(whole);
}

} // namespace velmora::server
