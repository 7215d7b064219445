#pragma once
// Least-squares straight line g = slope·t + intercept through (t, g) points that can
// be added, removed and changed one at a time. The sums are exact (ExactSum), so the
// fit after any sequence of updates equals the fit of the same points summed afresh.

#include "client/guiding/exact_sum.h"

#include <cstddef>

namespace velmora::client {

class LinearFit {
public:
    void clear();
    void add(double t, double g);
    void remove(double t, double g);
    // The point at t changes its value from `before` to `after`.
    void change(double t, double before, double after);

    std::size_t count() const { return m_count; }
    // slope = (N·Stg − Sg·St) / D, intercept = (Stt·Sg − Stg·St) / D with
    // D = N·Stt − St²; both 0 when D is 0 (fewer than two distinct times, also when
    // rounding leaves D a few units in the last place of N·Stt).
    double slope() const;
    double intercept() const;

private:
    struct Sums {
        double st, sg, stt, stg, denominator;
    };
    Sums sums() const;

    std::size_t m_count = 0;
    ExactSum m_st;
    ExactSum m_sg;
    ExactSum m_stt;
    ExactSum m_stg;
};

} // namespace velmora::client
