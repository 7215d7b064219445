#pragma once
// One opened capture device: its format, its settings, and its stream of frames.
// Backends implement this; the CapturePipeline drives it. Everything except
// deliverNext() is called from the controlling (main) thread; deliverNext() only from
// the pipeline's streaming thread, between startStreaming() and stopStreaming().

#include "platform/video/frame_sink.h"
#include "platform/video/video_control.h"
#include "platform/video/video_format.h"

#include <cstdint>
#include <optional>
#include <stop_token>
#include <vector>

namespace velmora::platform {

enum class FrameResult {
    Delivered, // one frame went to the sink
    NoFrame,   // nothing arrived within the source's wait; call again
    Stopped,   // stop was requested
    Failed,    // the device stopped working (unplugged...); no more frames
};

class CaptureSource {
public:
    virtual ~CaptureSource() = default;

    // The format in use: width, height (positive), frame period.
    virtual VideoFormat format() const = 0;
    // What the format page offers: sizes and their frame periods.
    virtual std::vector<FrameSizeOption> formatOptions() const = 0;
    // Applies the supported format closest to `wanted`; only while not streaming and
    // with buffers released. False when the device refuses.
    virtual bool setFormat(const VideoFormat& wanted) = 0;

    // The source page: the device's settings and their values.
    virtual std::vector<VideoControl> controls() const = 0;
    virtual std::optional<std::int32_t> controlValue(std::uint32_t id) const = 0;
    // False for an unknown or read-only control, a value outside its range, or a device refusal.
    virtual bool setControl(std::uint32_t id, std::int32_t value) = 0;

    // Allocates the stream's buffers (if released) and starts the stream.
    virtual bool startStreaming() = 0;
    // Waits for the next frame (never longer than about 100 ms before looking at `stop`)
    // and hands it to `sink`.
    virtual FrameResult deliverNext(FrameSink& sink, std::stop_token stop) = 0;
    // Ends the stream; the buffers stay for the next start.
    virtual void stopStreaming() = 0;
    // Frees the stream's buffers (after stopStreaming).
    virtual void releaseBuffers() = 0;
};

} // namespace velmora::platform
