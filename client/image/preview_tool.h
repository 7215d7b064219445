#pragma once
// The tool every image window opens with itself (section "Preview"), so a new window
// already has a square, tracking and a histogram. Its run is the axis calibration:
// while it runs the tracked centroid of every new frame is recorded; finishing fits a
// straight line through the track and makes its angle the reticle's.

#include "client/image/measurement_tool.h"

#include <utility>
#include <vector>

namespace velmora::client {

class Reticle;

class PreviewTool : public MeasurementTool {
public:
    // The reticle receives the fitted angle; without one the track is only recorded.
    PreviewTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry,
                Reticle* reticle = nullptr);
    ~PreviewTool() override;

    // "Calibrate": the track is emptied and recording starts.
    void Start() override;
    // Ends a run without touching the reticle (the window closing, say).
    void Stop() override;
    // "Finish": the fitted angle goes to the reticle (an empty track changes nothing).
    void finishCalibration();
    // "Calibrate" while at rest, "Finish" while running.
    std::string calibrateButtonText() const { return running() ? "Finish" : "Calibrate"; }
    // Enabled while this tool is the active one and tracks.
    bool calibrateEnabled() const { return isActive() && settings().autoGuiding; }

    const std::vector<std::pair<double, double>>& track() const { return m_track; }

protected:
    void FrameStep(bool newFrame) override;

private:
    Reticle* m_reticle;
    std::vector<std::pair<double, double>> m_track;
};

} // namespace velmora::client
