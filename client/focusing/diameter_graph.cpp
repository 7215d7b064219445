#include "client/focusing/diameter_graph.h"

#include "client/focusing/saturating.h"
#include "client/guiding/linear_fit.h"

#include <algorithm>
#include <climits>
#include <cmath>

namespace velmora::client {

namespace {

constexpr double kInitialSlope = 1.0;
constexpr double kInitialIntercept = -0.5; // zero crossing at x = 0.5

// Truncation toward zero that saturates at the int range instead of overflowing; NaN
// (a line without a crossing) gives 0.
long long truncated(double value)
{
    if (std::isnan(value))
        return 0;
    return static_cast<long long>(
        std::clamp(value, static_cast<double>(INT_MIN), static_cast<double>(INT_MAX)));
}

// The (h + 1)-th smallest distinct value of the window, or its largest distinct value
// when it has fewer: a window of equal values keeps that value.
double distinctRank(std::vector<double>& window, std::size_t h)
{
    std::sort(window.begin(), window.end());
    window.erase(std::unique(window.begin(), window.end()), window.end());
    return window[std::min(h, window.size() - 1)];
}

// In increasing order and in place: the window of i already holds the filtered values
// below i.
void medianInPlace(std::vector<DiameterPoint>& points, int n)
{
    const auto h = static_cast<std::size_t>(n / 2);
    std::vector<double> window;
    for (std::size_t i = h; i + h < points.size(); ++i) {
        window.clear();
        for (std::size_t k = i - h; k <= i + h; ++k)
            window.push_back(points[k].y);
        points[i].y = distinctRank(window, h);
    }
}

void movingAverageInPlace(std::vector<DiameterPoint>& points, int n)
{
    const auto h = static_cast<std::size_t>(n / 2);
    for (std::size_t i = h; i + h < points.size(); ++i) {
        double sum = 0.0;
        for (std::size_t k = i - h; k <= i + h; ++k)
            sum += points[k].y;
        points[i].y = sum / n;
    }
}

bool holdsWindow(const std::vector<DiameterPoint>& points, int n)
{
    return n > 0 && points.size() >= static_cast<std::size_t>(n);
}

} // namespace

void filterSeries(std::vector<DiameterPoint>& points, const FilterSettings& filters)
{
    if (filters.useMedian && holdsWindow(points, filters.medianNumber))
        medianInPlace(points, filters.medianNumber);
    if (filters.useLinear && holdsWindow(points, filters.linearNumber))
        movingAverageInPlace(points, filters.linearNumber);
}

DiameterGraph::DiameterGraph()
{
    Reset(0, 0, 1, 0, 0);
}

int DiameterGraph::tickStepFor(int span)
{
    for (int step : {5, 10, 25, 50, 100, 250, 500, 1000, 2500, 5000}) {
        if (span / step <= 9)
            return step;
    }
    return 10000;
}

void DiameterGraph::Reset(int lowSideEnd, int low, int step, int highSideStart, int high)
{
    m_low = low;
    m_high = high;
    const int grid = std::max(step, 1);
    m_series[0].capacity = m_series[2].capacity = std::max((lowSideEnd - low) / grid + 1, 0);
    m_series[1].capacity = m_series[3].capacity = std::max((high - highSideStart) / grid + 1, 0);
    for (DiameterSeries& series : m_series) {
        series.recorded.clear();
        series.working.clear();
        series.recorded.reserve(static_cast<std::size_t>(series.capacity));
        series.working.reserve(static_cast<std::size_t>(series.capacity));
    }
    m_yMin = kNoDataLimit;
    m_yMax = -kNoDataLimit;
    m_slope = {kInitialSlope, kInitialSlope};
    m_intercept = {kInitialIntercept, kInitialIntercept};
    m_problem = {FitProblem::None, FitProblem::None};
    m_fitted = false;
    m_tickStep = tickStepFor(high - low);
    ++m_revision;
}

double DiameterGraph::xOf(int position) const
{
    const double span = static_cast<double>(m_high) - m_low;
    return span > 0.0 ? (static_cast<double>(position) - m_low) / span : 0.0;
}

bool DiameterGraph::AddPoint(int position, double diameter, int side, int pass)
{
    if (side < 0 || side > 1 || pass < 0 || pass > 1)
        return false;
    DiameterSeries& series = m_series[static_cast<std::size_t>(side + 2 * pass)];
    if (series.count() >= series.capacity)
        return false;
    const double y = side == kNearSide ? -diameter : diameter;
    if (y < m_yMin) {
        m_yMin = y;
        m_yMax = -y;
    }
    if (y > m_yMax) {
        m_yMax = y;
        m_yMin = -y;
    }
    const DiameterPoint point{xOf(position), y};
    series.recorded.push_back(point);
    series.working.push_back(point);
    ++m_revision;
    return true;
}

void DiameterGraph::Fit()
{
    for (DiameterSeries& series : m_series) {
        series.working = series.recorded;
        filterSeries(series.working, m_filters);
    }
    fitPass(kForwardPass);
    fitPass(kBackwardPass);
    m_fitted = true;
    ++m_revision;
}

// A pass without two distinct positions has no line: it keeps the initial one, which
// is not drawn, and says so.
void DiameterGraph::fitPass(int pass)
{
    LinearFit fit;
    std::vector<double> positions;
    for (int side : {kNearSide, kFarSide}) {
        for (const DiameterPoint& point : m_series[static_cast<std::size_t>(side + 2 * pass)].working) {
            fit.add(point.x, point.y);
            positions.push_back(point.x);
        }
    }
    std::sort(positions.begin(), positions.end());
    const bool line = std::unique(positions.begin(), positions.end()) - positions.begin() >= 2;
    const std::size_t p = index(pass);
    if (!line) {
        m_slope[p] = kInitialSlope;
        m_intercept[p] = kInitialIntercept;
        m_problem[p] = FitProblem::TooFewPositions;
        return;
    }
    m_slope[p] = fit.slope();
    m_intercept[p] = fit.intercept();
    const double crossing = -m_intercept[p] / m_slope[p];
    m_problem[p] = std::isfinite(crossing) && crossing >= 0.0 && crossing <= 1.0 ? FitProblem::None
                                                                                 : FitProblem::NoZeroInRange;
}

int DiameterGraph::crossingOf(double slope, double intercept) const
{
    const double span = static_cast<double>(m_high) - m_low;
    return saturatedInt(m_low - truncated(span / slope * intercept));
}

int DiameterGraph::FocusOf(int pass) const
{
    return crossingOf(m_slope[index(pass)], m_intercept[index(pass)]);
}

int DiameterGraph::BacklashEstimate() const
{
    const double span = static_cast<double>(m_high) - m_low;
    const long long backward = truncated(span * (m_intercept[1] / m_slope[1]));
    const long long forward = truncated(span * (1.0 / m_slope[0] * m_intercept[0]));
    return saturatedInt(backward - forward);
}

} // namespace velmora::client
