#pragma once
// The guiding controller: the star's offset from the reticle centre along the reticle
// axes, and per axis the correction cycle with its PID law. Settings live in section
// "Guiding", per-axis stems with the suffix " X" (horizontal) or " Y" (vertical).

#include "client/guiding/guiding_axis.h"
#include "client/image/image_geometry.h"
#include "client/shell/settings_layout.h"

#include <array>
#include <string>

namespace velmora::client {

class SettingsStore;

// One frame through the controller: the offsets and what each axis did, horizontal first.
struct ControllerStep {
    double h = 0.0;
    double v = 0.0;
    std::array<AxisCycle, 2> axes;
};

class GuidingController {
public:
    static constexpr int kMinGuidingRate = 1;
    static constexpr int kMaxGuidingRate = 1000000;

    explicit GuidingController(const ImageGeometry& geometry);

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;

    GuidingAxis& axis(GuidingAxisId id) { return m_axes[static_cast<std::size_t>(id)]; }
    const GuidingAxis& axis(GuidingAxisId id) const { return m_axes[static_cast<std::size_t>(id)]; }

    // "Average By Frames".
    bool averageByFrames() const { return m_average; }
    void setAverageByFrames(bool on) { m_average = on; }
    // "Guiding Rate (*15''/sec)" in hundredths, 1…1000000.
    int guidingRateHundredths() const { return m_guidingRate; }
    void setGuidingRateHundredths(int rate);
    // The gain that would remove an error in one pulse, P = 1000 / (rate × 15), as "P=%.2f".
    double proportionalHint() const;
    std::string proportionalHintText() const;

    // Offsets (arcseconds) of a centroid from the reticle centre along the reticle axes.
    AxisOffset AxisOffsets(double centroidX, double centroidY) const;
    int Correct(GuidingAxisId id, double value) { return axis(id).Correct(value); }
    GuideDirection Direction(GuidingAxisId id, int outputMs) const { return axis(id).Direction(outputMs); }

    // Clears both axes' run state, as a guiding start does.
    void resetState();
    // One new frame while guiding: offsets, then the horizontal and the vertical cycle.
    ControllerStep step(double centroidX, double centroidY);

private:
    void loadAxis(const SettingsStore& store, GuidingAxisId id);
    void saveAxis(SettingsStore& store, GuidingAxisId id) const;

    const ImageGeometry& m_geometry;
    std::array<GuidingAxis, 2> m_axes{GuidingAxis(GuidingAxisId::Horizontal),
                                      GuidingAxis(GuidingAxisId::Vertical)};
    bool m_average = settings::kAverageByFrames.defaultValue != 0;
    int m_guidingRate = settings::kGuidingRate.defaultValue;
};

} // namespace velmora::client
