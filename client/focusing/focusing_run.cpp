#include "client/focusing/focusing_run.h"

#include "client/focusing/diameter_graph.h"
#include "client/focusing/focuser_access.h"
#include "client/focusing/saturating.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <utility>

namespace velmora::client {

namespace {

const char* passName(int pass)
{
    return pass == DiameterGraph::kForwardPass ? "forward" : "backward";
}

} // namespace

FocusingRange focusingRange(int first, int second, int center, int step)
{
    const long long c = center;
    long long lo = first;
    long long hi = second;
    if (lo > c)
        lo = 2 * c - lo;
    if (hi > c)
        hi = 2 * c - hi;
    if (lo > hi)
        std::swap(lo, hi);
    const long long grid = std::max(step, 1);
    const long long hiA = lo + grid * ((hi - lo) / grid);
    return {saturatedInt(lo), saturatedInt(hiA), saturatedInt(2 * c - hiA), saturatedInt(2 * c - lo)};
}

std::string defocusingZoneText(std::optional<double> stepSizeMicrometres, double focalRatio)
{
    // A step size of 0 (or none that is a number) defines no zone.
    if (stepSizeMicrometres && std::isfinite(*stepSizeMicrometres) && *stepSizeMicrometres > 0.0) {
        const double steps = focalRatio * focalRatio / *stepSizeMicrometres * 1.1323;
        if (std::isfinite(steps) && std::abs(steps) < INT_MAX) {
            char text[64];
            std::snprintf(text, sizeof text, "Defocusing Zone - %d Steps", static_cast<int>(steps));
            return text;
        }
    }
    return "Defocusing Zone - Not Defined";
}

FocusingRun::FocusingRun(FocuserAccess& focuser, DiameterGraph& graph) : m_focuser(focuser), m_graph(graph) {}

int FocusingRun::limitOrDefault(std::optional<int> value)
{
    return value && *value > 0 ? *value : kNoLimit;
}

void FocusingRun::readLimits()
{
    m_maxStep = limitOrDefault(m_focuser.maxStep());
    m_maxIncrement = limitOrDefault(m_focuser.maxIncrement());
    m_settings = m_settings.clampedTo(m_maxStep);
}

bool FocusingRun::setSettings(const FocusingSettings& settings)
{
    if (m_running)
        return false;
    m_settings = settings.clampedTo(m_maxStep);
    return true;
}

void FocusingRun::forceOddWindows()
{
    m_settings.filters.medianNumber = FilterSettings::oddWindow(m_settings.filters.medianNumber);
    m_settings.filters.linearNumber = FilterSettings::oddWindow(m_settings.filters.linearNumber);
    m_graph.setFilters(m_settings.filters);
}

// A range the focuser cannot reach would leave the run waiting for a position it
// never gets to.
bool FocusingRun::Start()
{
    m_status.clear();
    const FocusingRange range = focusingRange(m_settings.firstPosition, m_settings.secondPosition,
                                              m_settings.centerPosition, m_settings.measuringStep);
    if (range.lo < 0 || range.hiB > m_maxStep) {
        char text[160];
        std::snprintf(text, sizeof text, "Not started: the scan range %d .. %d leaves the focuser's 0 .. %d",
                      range.lo, range.hiB, m_maxStep);
        m_status = text;
        return false;
    }
    m_running = true;
    m_range = range;
    m_settings.firstPosition = range.lo;
    m_settings.secondPosition = range.hiA;
    m_graph.Reset(range.hiA, range.lo, m_settings.measuringStep, range.loB, range.hiB);
    forceOddWindows();
    m_done = false;
    m_forward = true;
    m_target = m_settings.useBacklash ? std::max(range.lo - m_settings.backlashStep, 0) : range.lo;
    return true;
}

void FocusingRun::Stop()
{
    m_running = false;
    if (m_graph.fitted() && !fitTrusted())
        return;
    m_previousFocus = m_results.currentFocus;
    m_previousBacklash = m_results.currentBacklash;
    showResults();
}

void FocusingRun::Apply()
{
    if (m_running)
        return;
    forceOddWindows();
    m_graph.Fit();
    if (fitTrusted())
        showResults();
}

void FocusingRun::showResults()
{
    m_results.currentFocus = m_graph.FocusOf(DiameterGraph::kForwardPass);
    m_results.currentBacklash = m_graph.BacklashEstimate();
    m_results.deltaFocus = saturatedInt(static_cast<long long>(m_results.currentFocus) - m_previousFocus);
    m_results.deltaBacklash =
        saturatedInt(static_cast<long long>(m_results.currentBacklash) - m_previousBacklash);
}

bool FocusingRun::fitTrusted()
{
    for (int pass : {DiameterGraph::kForwardPass, DiameterGraph::kBackwardPass}) {
        char text[160];
        switch (m_graph.fitProblem(pass)) {
        case FitProblem::None:
            continue;
        case FitProblem::TooFewPositions:
            std::snprintf(text, sizeof text, "Fit not usable: the %s pass has fewer than two positions",
                          passName(pass));
            break;
        case FitProblem::NoZeroInRange:
            std::snprintf(text, sizeof text,
                          "Fit not usable: the %s pass does not cross zero inside %d .. %d", passName(pass),
                          m_graph.low(), m_graph.high());
            break;
        }
        m_status = text;
        return false;
    }
    m_status.clear();
    return true;
}

void FocusingRun::onTimer()
{
    const std::optional<int> position = m_focuser.position();
    if (!position)
        return;
    m_position = *position;
    if (!m_running)
        return;
    const std::optional<bool> moving = m_focuser.isMoving();
    if (!moving || *moving)
        return;
    if (m_position == m_target) {
        if (m_done) {
            Stop();
            return;
        }
        // After a take-up overshoot: the range end, approached from outside.
        if (m_position < m_range.lo)
            m_target = m_range.lo;
        else if (m_position > m_range.hiB)
            m_target = m_range.hiB;
    }
    moveTowardTarget();
}

void FocusingRun::moveTowardTarget()
{
    const long long position = m_position;
    if (position < m_target)
        m_focuser.move(static_cast<int>(std::min<long long>(m_target, position + m_maxIncrement)));
    else if (position > m_target)
        m_focuser.move(static_cast<int>(std::max<long long>(m_target, position - m_maxIncrement)));
}

void FocusingRun::frameStep(double diameter)
{
    if (!m_running || m_position != m_target || m_done)
        return;
    const int p = m_position;
    const bool nearSide = p >= m_range.lo && p <= m_range.hiA;
    const bool farSide = p >= m_range.loB && p <= m_range.hiB;
    const int pass = m_forward ? DiameterGraph::kForwardPass : DiameterGraph::kBackwardPass;
    if (nearSide)
        m_graph.AddPoint(p, diameter, DiameterGraph::kNearSide, pass);
    if (farSide)
        m_graph.AddPoint(p, diameter, DiameterGraph::kFarSide, pass);
    nextTarget(nearSide, farSide);
}

// At the shared centre (hiA = loB) both sides take the point; the next target is the
// one of the side the pass is moving into, so the backward pass goes on down the low
// side instead of coming back to the centre.
void FocusingRun::nextTarget(bool nearSide, bool farSide)
{
    const int p = m_position;
    const int step = m_settings.measuringStep;
    if (m_forward && farSide) {
        if (p == m_range.hiB)
            endForwardPass();
        else
            m_target = p + step;
    } else if (m_forward && nearSide) {
        m_target = p == m_range.hiA ? m_range.loB : p + step;
    } else if (!m_forward && nearSide) {
        if (p == m_range.lo)
            endScan();
        else
            m_target = p - step;
    } else if (!m_forward && farSide) {
        m_target = p == m_range.loB ? m_range.hiA : p - step;
    }
}

// Without take-up the target stays at hiB, which the backward pass then measures again.
void FocusingRun::endForwardPass()
{
    m_forward = false;
    if (m_settings.useBacklash)
        m_target = static_cast<int>(
            std::min<long long>(static_cast<long long>(m_position) + m_settings.backlashStep, m_maxStep));
}

void FocusingRun::endScan()
{
    m_done = true;
    m_graph.Fit();
    if (!fitTrusted()) {
        Stop(); // where it is: an untrusted line never moves the focuser
        return;
    }
    m_target = m_graph.FocusOf(DiameterGraph::kForwardPass);
}

} // namespace velmora::client
