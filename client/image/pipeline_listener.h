#pragma once

namespace velmora::client {

class MeasurementTool;

// What the image window's view hears from its frame pipeline.
class PipelineListener {
public:
    virtual ~PipelineListener() = default;
    // A tool became the active one: load the processing bar from it, set the titles.
    virtual void toolActivated(MeasurementTool& tool) = 0;
    // The active tool finished a processing call: redraw the histogram graph,
    // convert the working frame and repaint with the overlays.
    virtual void activeFrameProcessed(MeasurementTool& tool) = 0;
    // Frames were re-allocated for a camera frame of other dimensions.
    virtual void geometryChanged(int width, int height, int planeCount) = 0;
};

} // namespace velmora::client
