#pragma once
// The core of the one image window the exposure cycle hands frames to: its frame
// pipeline and the preview tool it opens with. The view that shows it borrows it.
// Other tool dialogs attach to pipeline() and must close before the window does.

#include "client/devices/preview_tool.h"
#include "client/image/frame_pipeline.h"

#include <cstdint>
#include <memory>
#include <span>

namespace velmora::client {

class ImageGeometry;
class SettingsStore;

class ImageWindow {
public:
    // Reads the window's settings ("Digit Capacity"), opens and activates the preview
    // tool. Null for dimensions no frame can have.
    static std::unique_ptr<ImageWindow> create(int width, int height, int planeCount, SettingsStore& store,
                                               const ImageGeometry& geometry);
    ~ImageWindow();
    ImageWindow(const ImageWindow&) = delete;
    ImageWindow& operator=(const ImageWindow&) = delete;

    FramePipeline& pipeline() { return *m_pipeline; }
    const FramePipeline& pipeline() const { return *m_pipeline; }
    MeasurementTool& previewTool() { return *m_preview; }

    // A camera frame in storage order; false (nothing changed) when the samples are
    // fewer than the dimensions claim or the dimensions are impossible.
    bool deliverFrame(std::span<const std::int32_t> samples, int width, int height, int planeCount);

    // Closes the preview tool and writes the window's settings; idempotent.
    void close();

private:
    ImageWindow(std::unique_ptr<FramePipeline> pipeline, SettingsStore& store, const ImageGeometry& geometry);

    SettingsStore& m_store;
    std::unique_ptr<FramePipeline> m_pipeline;
    std::unique_ptr<PreviewTool> m_preview;
    bool m_closed = false;
};

} // namespace velmora::client
