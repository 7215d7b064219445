#pragma once
// The core of the one image window (CChildFrame without its window): the frame
// pipeline, the preview tool it opens with, the tools attached to it ordered by
// activation, the display options ("Fit To Window", "Keep Aspect Ratio", the graph's
// "Log Scale"), the rendering of the active tool's working frame with its overlays,
// and the status texts of the cursor.
//
// Tools close before their window: the views close theirs when the window is about
// to go, and close() closes whatever is still attached before the preview tool.

#include "client/image/command_state.h"
#include "client/image/display_converter.h"
#include "client/image/frame_pipeline.h"
#include "client/image/pipeline_listener.h"
#include "client/image/preview_tool.h"
#include "client/image/window_mapping.h"
#include "client/shell/command_ids.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace velmora::client {

class ImageGeometry;
class PlaneColours;
class Reticle;
class WindowCalibration;
class SettingsStore;

// Status panes 4–6 for the pixel under the cursor.
struct CursorPanes {
    std::string position; // " [%d;%d] "
    std::string offset;   // " [%.2f;%.2f] " arcseconds along the reticle axes
    std::string samples;  // " [%s] " with "%s: %d;" per plane

    friend bool operator==(const CursorPanes&, const CursorPanes&) = default;
};

class ImageWindow : private PipelineListener {
public:
    // Reads the window's settings ("Digit Capacity", the plane table for its plane
    // count), opens and activates the preview tool. Null for dimensions no frame can have.
    // The reticle, when given, is the program's: its settings are read for this window
    // and written when it closes, and its ranges follow the frame.
    static std::unique_ptr<ImageWindow> create(int width, int height, int planeCount, SettingsStore& store,
                                               const ImageGeometry& geometry, PlaneColours& planes,
                                               Reticle* reticle = nullptr);
    ~ImageWindow() override;
    ImageWindow(const ImageWindow&) = delete;
    ImageWindow& operator=(const ImageWindow&) = delete;

    FramePipeline& pipeline() { return *m_pipeline; }
    const FramePipeline& pipeline() const { return *m_pipeline; }
    PreviewTool& previewTool() { return *m_preview; }
    const PreviewTool& previewTool() const { return *m_preview; }
    const ImageGeometry& geometry() const { return m_geometry; }
    PlaneColours& planeColours() { return m_planes; }
    WindowCalibration& calibration() { return *m_calibration; }
    const WindowCalibration& calibration() const { return *m_calibration; }
    Reticle* reticle() const { return m_reticle; }
    const PlaneColours& planeColours() const { return m_planes; }

    // A camera frame in storage order; false (nothing changed) when the samples are
    // fewer than the dimensions claim or the dimensions are impossible.
    bool deliverFrame(std::span<const std::int32_t> samples, int width, int height, int planeCount);

    // Closes every tool still attached, the preview tool last, and writes the
    // window's settings; idempotent.
    void close();
    bool isClosed() const { return m_closed; }

    MeasurementTool* activeTool() const { return m_pipeline->activeTool(); }
    // The attached tool of a section activated most recently, or null.
    MeasurementTool* toolOfSection(const std::string& section) const;
    int toolCount() const { return static_cast<int>(m_pipeline->tools().size()); }

    // "Fit To Window", "Keep Aspect Ratio" (toolbar commands of the window) and the
    // histogram graph's "Log Scale"; none of them is kept in the settings.
    bool fitToWindow() const { return m_fitToWindow; }
    bool keepAspectRatio() const { return m_keepAspectRatio; }
    bool logScale() const { return m_logScale; }
    void setLogScale(bool on) { m_logScale = on; }
    // 40021 and 40022: the state shown and the toggle.
    CommandState commandState(int commandId) const;
    bool execute(int commandId);
    WindowMapping mapping(int scrollX, int scrollY) const;

    // The active tool's working frame by the plane colours, with its square (crossed
    // when tracking did not converge), the centroid mark while it tracks and, during an
    // axis calibration, the track. The reticle's geometry (Reticle::drawing) is the
    // view's to paint over it. The surface must have the frame's dimensions.
    bool render(const DisplaySurface& surface);

    // Status panes: 3 (geometry) and 4–6 for an image pixel; all empty outside the image.
    std::string geometryText() const { return m_pipeline->geometryText(); }
    CursorPanes cursorPanes(ImagePoint pixel) const;
    // A left click: the active tool's square moves to the pixel.
    void clickAt(ImagePoint pixel);

    // "AD Capacity (digit)": 1…16.
    int digitCapacity() const { return m_pipeline->digitCapacity(); }
    void setDigitCapacity(int bits);
    // "FOV (')" of the frame by the image scales, arcminutes.
    double fieldOfViewX() const;
    double fieldOfViewY() const;
    // The plane table, the reticle or a display option changed: the active tool
    // processes the frame again and the views repaint.
    void redraw();

private:
    ImageWindow(std::unique_ptr<FramePipeline> pipeline, SettingsStore& store, const ImageGeometry& geometry,
                PlaneColours& planes, Reticle* reticle);
    void drawCalibrationTrack(const DisplaySurface& surface) const;
    void geometryChanged(int width, int height, int planeCount) override;
    bool inside(ImagePoint pixel) const;
    MeasurementTool* firstToolBesidesPreview() const;

    SettingsStore& m_store;
    const ImageGeometry& m_geometry;
    PlaneColours& m_planes;
    std::unique_ptr<FramePipeline> m_pipeline;
    Reticle* m_reticle;
    std::unique_ptr<WindowCalibration> m_calibration;
    std::unique_ptr<PreviewTool> m_preview;
    DisplayConverter m_converter;
    bool m_fitToWindow = false;
    bool m_keepAspectRatio = false;
    bool m_logScale = false;
    bool m_closed = false;
};

} // namespace velmora::client
