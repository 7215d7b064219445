#pragma once
// The tool every image window opens with itself (section "Preview"), so a new window
// already has a square, tracking and a histogram. It measures and tracks like any
// tool; its Start/Stop is the axis calibration, which belongs to the reticle code.

#include "client/image/measurement_tool.h"

namespace velmora::client {

class PreviewTool : public MeasurementTool {
public:
    PreviewTool(FramePipeline& window, SettingsStore& store, const ImageGeometry& geometry);
    ~PreviewTool() override;
};

} // namespace velmora::client
