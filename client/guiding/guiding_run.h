#pragma once
// A guiding run as the guiding tool drives it: Start clears the history and the
// controller's state; every guided frame adds the star's offsets to the history
// (which filters them for the graphs), runs the correction cycle of each enabled
// axis and measures the drift of each disabled one; Stop ends it. Pulses come back
// in posting order, horizontal first; sending them is the worker's job.

#include "client/guiding/guiding_controller.h"
#include "client/guiding/guiding_history.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace velmora::client {

class ImageGeometry;

// The read-only fields of one axis.
struct AxisDisplay {
    double deltaArcsec = 0.0;        // "Delta ('')"
    std::optional<int> outputMs;     // "Output (ms)"; blank when empty
    std::optional<double> driftRate; // "Drift Rate (''/sec)"; blank when empty
};

// One guided frame.
struct GuidingStep {
    double t = 0.0; // seconds since Start
    double h = 0.0; // unfiltered offsets, arcseconds
    double v = 0.0;
    std::array<AxisCycle, 2> axes;
    std::vector<GuidePulse> pulses; // posting order
};

class GuidingRun {
public:
    explicit GuidingRun(const ImageGeometry& geometry, std::size_t capacity = GuidingHistory::kCapacity);

    GuidingController& controller() { return m_controller; }
    const GuidingController& controller() const { return m_controller; }

    void start();
    void stop() { m_running = false; }
    bool running() const { return m_running; }

    // The centroid of a frame taken t seconds after Start; nothing while stopped, nor
    // for offsets that are not finite numbers.
    std::optional<GuidingStep> step(double t, double centroidX, double centroidY);

    // "Enable Direction": the axis's integral and averaging restart; enabling blanks
    // its drift rate, disabling its output.
    void setAxisEnabled(GuidingAxisId id, bool on);
    void setFilters(const FilterSettings& filters);

    const GuidingHistory& history() const { return m_history; }
    // The filtered series, and for a disabled axis its residual after removing the
    // fitted drift; what the graphs draw, newest first.
    std::span<const double> graphSeries(GuidingAxisId id) const;
    // Least-squares drift of the filtered series, arcseconds per second (0 when the
    // times do not determine a slope).
    double driftRate(GuidingAxisId id) const;
    const AxisDisplay& display(GuidingAxisId id) const { return m_display[index(id)]; }
    // "%.4f" of the shown drift rate, empty when blank.
    std::string driftRateText(GuidingAxisId id) const;

private:
    static std::size_t index(GuidingAxisId id) { return static_cast<std::size_t>(id); }
    void refreshGraphSeries(GuidingAxisId id);

    GuidingController m_controller;
    GuidingHistory m_history;
    bool m_running = false;
    std::array<AxisDisplay, 2> m_display;
    std::array<std::vector<double>, 2> m_residuals;
};

} // namespace velmora::client
