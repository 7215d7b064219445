#pragma once

namespace velmora::client {

class MeasurementTool;

// What the views of an image window hear from its frame pipeline; several views
// (the image, the processing bar, the main frame's titles and panes, the tool
// windows) listen at once.
class PipelineListener {
public:
    virtual ~PipelineListener() = default;
    // A tool became the active one: load the processing bar from it, set the titles.
    virtual void toolActivated(MeasurementTool& /*tool*/) {}
    // The active tool finished a processing call: redraw the histogram graph,
    // convert the working frame and repaint with the overlays.
    virtual void activeFrameProcessed(MeasurementTool& /*tool*/) {}
    // Frames were re-allocated for a camera frame of other dimensions.
    virtual void geometryChanged(int /*width*/, int /*height*/, int /*planeCount*/) {}
    // A tool joined or left the window (the command states follow).
    virtual void toolAttached(MeasurementTool& /*tool*/) {}
    virtual void toolDetached(MeasurementTool& /*tool*/) {}
};

} // namespace velmora::client
