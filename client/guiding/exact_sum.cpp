#include "client/guiding/exact_sum.h"

#include <cmath>
#include <limits>
#include <utility>

namespace velmora::client {

void ExactSum::clear()
{
    m_count = 0;
    m_invalid = false;
}

// Shewchuk's grow-expansion with zero elimination: every partial is exact and no two
// overlap, so their sum is the exact sum of all terms.
void ExactSum::add(double value)
{
    if (!std::isfinite(value)) {
        m_invalid = true;
        return;
    }
    double x = value;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_count; ++i) {
        double y = m_partials[i];
        if (std::abs(x) < std::abs(y))
            std::swap(x, y);
        const double high = x + y;
        const double low = y - (high - x);
        if (low != 0.0)
            m_partials[kept++] = low;
        x = high;
    }
    if (kept == kMaxPartials) { // cannot happen for finite doubles; stay safe anyway
        m_invalid = true;
        return;
    }
    m_partials[kept++] = x;
    m_count = kept;
}

void ExactSum::addProduct(double a, double b)
{
    const double product = a * b;
    add(product);
    add(std::fma(a, b, -product));
}

// The partials summed from the largest down, with the half-way correction that makes
// the result correctly rounded.
double ExactSum::value() const
{
    if (m_invalid)
        return std::numeric_limits<double>::quiet_NaN();
    if (m_count == 0)
        return 0.0;
    std::size_t n = m_count - 1;
    double high = m_partials[n];
    double low = 0.0;
    while (n > 0) {
        const double x = high;
        const double y = m_partials[--n];
        high = x + y;
        low = y - (high - x);
        if (low != 0.0)
            break;
    }
    if (n > 0 && ((low < 0.0 && m_partials[n - 1] < 0.0) || (low > 0.0 && m_partials[n - 1] > 0.0))) {
        const double y = low * 2.0;
        const double x = high + y;
        if (y == x - high)
            high = x;
    }
    return high;
}

} // namespace velmora::client
