#pragma once
// The frames and the frame pipeline of one image window: camera buffer, raw,
// working, dark and flat frames, the shared histogram and blob-fill buffers, and the
// tool dialogs attached to the window ordered by activation (most recent first).
//
// A camera frame is converted into the raw frame, handed to a registered calibration
// average, dark- and flat-corrected when those options are on, and then processed by
// every tool, the one activated longest ago first and the active one last, so the
// active tool's working frame is what the window shows.
//
// The window takes its dimensions from its first frame. A later frame of other
// dimensions re-allocates the camera buffer, raw and working frames (and the shared
// buffers) for the new geometry and tells the tools, so nothing is ever read or
// copied out of bounds; dark and flat references are kept and only applied while
// they match.

#include "client/image/blob_diameter.h"
#include "client/image/image_frame.h"
#include "client/image/square_histogram.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace velmora::client {

class CalibrationSink;
class FrameCorrector;
class MeasurementTool;
class PipelineListener;

class FramePipeline {
public:
    static constexpr int kDefaultDigitCapacity = 8;

    // Null for dimensions that are not all positive or too large for a frame.
    static std::unique_ptr<FramePipeline> create(int width, int height, int planeCount);
    ~FramePipeline();
    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

    int width() const { return m_width; }
    int height() const { return m_height; }
    int planeCount() const { return m_planeCount; }
    int sampleCount() const { return m_raw.sampleCount(); }
    // " [%dx%dx%d] " for the status line.
    std::string geometryText() const;

    // A camera frame in storage order (x fastest, then y, then plane). Refused
    // (false, nothing changed) when the dimensions are impossible or the samples are
    // fewer than they claim; re-allocates on a change of dimensions; then runs the
    // pipeline as a new frame.
    bool deliverFrame(std::span<const std::int32_t> samples, int width, int height, int planeCount);
    // The first half of deliverFrame: the samples into the camera buffer (re-allocated
    // for other dimensions), without running the pipeline. Same refusals.
    bool acceptFrame(std::span<const std::int32_t> samples, int width, int height, int planeCount);
    // The pipeline from the camera buffer as it stands. newFrame false redoes the
    // measurements after a calibration change without counting a frame.
    void runPipeline(bool newFrame);

    std::span<std::int32_t> cameraBuffer() { return m_cameraBuffer; }
    const ImageFrame& rawFrame() const { return m_raw; }
    ImageFrame& workingFrame() { return m_working; }
    const ImageFrame& workingFrame() const { return m_working; }
    ImageFrame& darkFrame() { return m_dark; }
    ImageFrame& flatFrame() { return m_flat; }
    const ImageFrame& darkFrameView() const { return m_dark; }
    const ImageFrame& flatFrameView() const { return m_flat; }

    // "Digit Capacity": camera bit depth, clamped to 1…16.
    void setDigitCapacity(int bits);
    int digitCapacity() const { return m_digitCapacity; }

    // One calibration average at a time: false while another is registered.
    bool registerCalibrationSink(CalibrationSink& sink);
    void unregisterCalibrationSink(CalibrationSink& sink);
    void setFrameCorrector(FrameCorrector* corrector) { m_corrector = corrector; }
    void setApplyDark(bool on) { m_applyDark = on; }
    void setApplyFlat(bool on) { m_applyFlat = on; }
    bool applyDark() const { return m_applyDark; }
    bool applyFlat() const { return m_applyFlat; }

    // Every view of the window hears its notifications; a listener must be removed
    // before it goes. Adding one twice has no effect.
    void addListener(PipelineListener& listener);
    void removeListener(PipelineListener& listener);

    // Tools, most recently activated first; the first one is active once any was.
    const std::vector<MeasurementTool*>& tools() const { return m_tools; }
    MeasurementTool* activeTool() const;
    // Offers a main-window command to the tools from the active one on; true when
    // one handled it.
    bool routeCommand(int commandId);

    SquareHistogram& histogram() { return m_histogram; }
    const SquareHistogram& histogram() const { return m_histogram; }
    BlobDiameter& blobDiameter() { return m_blob; }

private:
    friend class MeasurementTool;
    FramePipeline() = default;
    bool reshape(int width, int height, int planeCount);
    void correctRaw(bool newFrame);
    void processTools(bool newFrame);
    bool isAttached(const MeasurementTool* tool) const;

    // Bookkeeping called by MeasurementTool.
    void attach(MeasurementTool& tool);
    void detach(MeasurementTool& tool);
    void makeActive(MeasurementTool& tool);
    void activeProcessed(MeasurementTool& tool);

    int m_width = 0;
    int m_height = 0;
    int m_planeCount = 0;
    int m_digitCapacity = kDefaultDigitCapacity;
    std::vector<std::int32_t> m_cameraBuffer;
    ImageFrame m_raw;
    ImageFrame m_working;
    ImageFrame m_dark;
    ImageFrame m_flat;
    SquareHistogram m_histogram;
    BlobDiameter m_blob;
    CalibrationSink* m_calibration = nullptr;
    FrameCorrector* m_corrector = nullptr;
    bool m_applyDark = false;
    bool m_applyFlat = false;
    template <typename Fn> void notify(Fn&& fn);
    std::vector<PipelineListener*> m_listeners;
    std::vector<MeasurementTool*> m_tools;
    std::vector<MeasurementTool*> m_order; // reused per frame
};

} // namespace velmora::client
