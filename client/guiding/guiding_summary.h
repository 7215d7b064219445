#pragma once
// What a headless guiding session reports: one JSON object per guided frame and, at
// the end, the guiding error over all frames: RMS and peak of each axis's offset from
// the reticle centre, their combined RMS, and each axis's drift (least-squares
// slope), all in arcseconds (drift in arcseconds per second).

#include "client/guiding/guiding_run.h"
#include "client/guiding/linear_fit.h"

#include <cstddef>
#include <string>

namespace velmora::client {

class GuidingSummary {
public:
    void add(const GuidingStep& step);

    std::size_t frames() const { return m_frames; }
    double rmsH() const;
    double rmsV() const;
    double rmsTotal() const;
    double peakH() const { return m_peakH; }
    double peakV() const { return m_peakV; }
    double driftH() const { return m_driftH.slope(); }
    double driftV() const { return m_driftV.slope(); }

    // {"frames":…,"rms_h":…,"rms_v":…,"rms_total":…,"peak_h":…,"peak_v":…,"drift_h":…,"drift_v":…}
    std::string json() const;
    // {"frame":n,"t":…,"h":…,"v":…,"pulses":[{"direction":"West","ms":100},…]}
    static std::string frameJson(std::size_t frame, const GuidingStep& step);

private:
    std::size_t m_frames = 0;
    double m_sumH2 = 0.0;
    double m_sumV2 = 0.0;
    double m_peakH = 0.0;
    double m_peakV = 0.0;
    LinearFit m_driftH;
    LinearFit m_driftV;
};

} // namespace velmora::client
