#pragma once
// The evaluation of a focusing run (CDiameterGraph without its window): every star
// diameter of the run against the focuser position, in four series (two sides of the
// centre × two passes), the optional median and moving-average filters, one
// least-squares line per pass over both sides, the focus where each line crosses zero
// and the backlash between the passes.
//
// The near side's diameters are negated: that turns the V of diameter against
// position into one rising sequence whose straight-line fit crosses zero at the
// vertex. Positions are scaled to x = 0 at `low` and x = 1 at `high`.

#include "client/guiding/filter_settings.h"

#include <array>
#include <vector>

namespace velmora::client {

struct DiameterPoint {
    double x = 0.0;
    double y = 0.0;

    friend bool operator==(const DiameterPoint&, const DiameterPoint&) = default;
};

// One series: the points as recorded and the working copy the filters overwrite.
struct DiameterSeries {
    int capacity = 0;
    std::vector<DiameterPoint> recorded;
    std::vector<DiameterPoint> working;

    int count() const { return static_cast<int>(recorded.size()); }
};

// Why a pass's line may not be used to move the focuser.
enum class FitProblem {
    None,
    TooFewPositions, // fewer than two distinct positions: no line through them
    NoZeroInRange,   // the line does not cross zero between low and high
};

class DiameterGraph {
public:
    static constexpr int kNearSide = 0;
    static constexpr int kFarSide = 1;
    static constexpr int kForwardPass = 0;
    static constexpr int kBackwardPass = 1;
    // Before any point: the vertical scale inside out, which means "no data".
    static constexpr double kNoDataLimit = 10000.0;

    DiameterGraph();

    // A new run: the range low … high, room for (lowSideEnd − low) / step + 1 near-side
    // and (high − highSideStart) / step + 1 far-side points per pass, no points, no fit.
    void Reset(int lowSideEnd, int low, int step, int highSideStart, int high);
    // False, and nothing recorded, when the series is full or side or pass is not 0 or 1.
    bool AddPoint(int position, double diameter, int side, int pass);
    void setFilters(const FilterSettings& filters) { m_filters = filters; }
    const FilterSettings& filters() const { return m_filters; }
    // Filters every series afresh from its recorded points and fits both passes.
    void Fit();

    // The position where the pass's line crosses zero; the middle of the range before a fit.
    int FocusOf(int pass) const;
    // The forward-pass focus minus the backward-pass focus, each truncated separately.
    int BacklashEstimate() const;
    // After Fit: whether the pass's focus may be trusted; None before any fit.
    FitProblem fitProblem(int pass) const { return m_problem[index(pass)]; }

    int low() const { return m_low; }
    int high() const { return m_high; }
    int tickStep() const { return m_tickStep; }
    double yMin() const { return m_yMin; }
    double yMax() const { return m_yMax; }
    bool fitted() const { return m_fitted; }
    double slope(int pass) const { return m_slope[index(pass)]; }
    double intercept(int pass) const { return m_intercept[index(pass)]; }
    // Series side + 2 × pass.
    const DiameterSeries& series(int k) const { return m_series[static_cast<std::size_t>(k)]; }
    // Changes with every Reset, point and fit, so that views redraw only then.
    unsigned revision() const { return m_revision; }

    // The spacing of the position ticks for a span: the first of 5, 10, 25, …, 5000
    // that leaves at most 9 intervals, else 10000.
    static int tickStepFor(int span);

private:
    static std::size_t index(int pass) { return static_cast<std::size_t>(pass); }
    double xOf(int position) const;
    void fitPass(int pass);
    // low − trunc(span × intercept / slope) for a line, saturating at the int range.
    int crossingOf(double slope, double intercept) const;

    int m_low = 0;
    int m_high = 0;
    int m_tickStep = 5;
    double m_yMin = kNoDataLimit;
    double m_yMax = -kNoDataLimit;
    bool m_fitted = false;
    std::array<double, 2> m_slope{};
    std::array<double, 2> m_intercept{};
    std::array<FitProblem, 2> m_problem{};
    std::array<DiameterSeries, 4> m_series;
    FilterSettings m_filters;
    unsigned m_revision = 0;
};

// The filters of one series, in place: the median over distinct values, then the
// moving average, each only when the series holds at least its window.
void filterSeries(std::vector<DiameterPoint>& points, const FilterSettings& filters);

} // namespace velmora::client
