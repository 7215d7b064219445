#pragma once
// A sum of doubles kept exactly (as non-overlapping partials) and read out correctly
// rounded, so values can be added and taken away again in any order and the result
// is always the one a single exact summation of the current terms gives. The guiding
// history's drift fit keeps its sums this way: updating them frame by frame gives
// bit for bit what summing the whole history afresh gives.

#include <array>
#include <cstddef>

namespace velmora::client {

class ExactSum {
public:
    void clear();
    void add(double value);
    void subtract(double value) { add(-value); }
    // The exact product a·b added without rounding (two partials).
    void addProduct(double a, double b);
    void subtractProduct(double a, double b) { addProduct(-a, b); }
    // The exact sum rounded to the nearest double (ties to even); NaN once a term was
    // not finite.
    double value() const;

private:
    // Non-overlapping partials of the double range never number more than about 40.
    static constexpr std::size_t kMaxPartials = 64;
    std::array<double, kMaxPartials> m_partials{};
    std::size_t m_count = 0;
    bool m_invalid = false;
};

} // namespace velmora::client
