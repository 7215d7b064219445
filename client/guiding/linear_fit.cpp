#include "client/guiding/linear_fit.h"

#include <limits>

namespace velmora::client {

void LinearFit::clear()
{
    m_count = 0;
    m_st.clear();
    m_sg.clear();
    m_stt.clear();
    m_stg.clear();
}

void LinearFit::add(double t, double g)
{
    ++m_count;
    m_st.add(t);
    m_sg.add(g);
    m_stt.addProduct(t, t);
    m_stg.addProduct(t, g);
}

void LinearFit::remove(double t, double g)
{
    if (m_count == 0)
        return;
    --m_count;
    m_st.subtract(t);
    m_sg.subtract(g);
    m_stt.subtractProduct(t, t);
    m_stg.subtractProduct(t, g);
}

void LinearFit::change(double t, double before, double after)
{
    if (before == after)
        return;
    m_sg.subtract(before);
    m_sg.add(after);
    m_stg.subtractProduct(t, before);
    m_stg.addProduct(t, after);
}

LinearFit::Sums LinearFit::sums() const
{
    Sums s{m_st.value(), m_sg.value(), m_stt.value(), m_stg.value(), 0.0};
    const double n = static_cast<double>(m_count);
    s.denominator = n * s.stt - s.st * s.st;
    // Identical times make D zero in exact arithmetic; the rounded sums can leave a few
    // units in the last place of N·Stt, which must not pass for a slope.
    if (s.denominator <= 16.0 * std::numeric_limits<double>::epsilon() * n * s.stt)
        s.denominator = 0.0;
    return s;
}

double LinearFit::slope() const
{
    const Sums s = sums();
    if (s.denominator == 0.0)
        return 0.0;
    return (static_cast<double>(m_count) * s.stg - s.sg * s.st) / s.denominator;
}

double LinearFit::intercept() const
{
    const Sums s = sums();
    if (s.denominator == 0.0)
        return 0.0;
    return (s.stt * s.sg - s.stg * s.st) / s.denominator;
}

} // namespace velmora::client
