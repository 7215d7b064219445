#pragma once
// One V4L2 capture device, opened through libv4l2 so that its frames arrive as packed
// BGR24 whatever the camera sends, at the supported size and frame interval closest to
// the request, streamed through memory-mapped buffers.

#include "platform/video/capture_source.h"
#include "platform/video/v4l2_format_choice.h"
#include "platform/video/v4l2_io.h"
#include "platform/video/v4l2_stream.h"

#include <linux/videodev2.h>

#include <memory>
#include <string>

namespace velmora::platform {

class V4l2CaptureSource : public CaptureSource {
public:
    // How long deliverNext() waits for a frame before looking at its stop token.
    static constexpr int kWaitMs = 100;

    // Opens `path` and applies the format closest to `requested`; null when the device
    // cannot be opened or cannot deliver BGR24 frames. `io` must outlive the source.
    static std::unique_ptr<V4l2CaptureSource> open(V4l2Io& io, const std::string& path,
                                                   const VideoFormat& requested);
    ~V4l2CaptureSource() override;

    VideoFormat format() const override { return m_format; }
    // Bytes from one row of a frame to the next.
    std::size_t stride() const { return m_stride; }
    std::vector<FrameSizeOption> formatOptions() const override;
    bool setFormat(const VideoFormat& wanted) override;

    std::vector<VideoControl> controls() const override;
    std::optional<std::int32_t> controlValue(std::uint32_t id) const override;
    bool setControl(std::uint32_t id, std::int32_t value) override;

    bool startStreaming() override;
    FrameResult deliverNext(FrameSink& sink, std::stop_token stop) override;
    void stopStreaming() override { m_stream.stop(); }
    void releaseBuffers() override { m_stream.release(); }

private:
    V4l2CaptureSource(V4l2Io& io, int fd) : m_io(io), m_fd(fd), m_stream(io, fd) {}

    bool negotiate(const VideoFormat& requested);
    void applyInterval(const v4l2::FrameSize& size, std::uint32_t period);
    bool readBack(std::uint32_t requestedPeriod);
    struct PixelFormat {
        std::uint32_t fourcc = 0;
        std::string description;
    };
    // The device's own pixel formats (those libv4l2 does not emulate); BGR24 alone
    // when the device names no other.
    std::vector<PixelFormat> pixelFormats() const;
    std::vector<v4l2_frmsizeenum> frameSizes(std::uint32_t fourcc = V4L2_PIX_FMT_BGR24) const;
    std::vector<v4l2_frmivalenum> frameIntervals(int width, int height,
                                                 std::uint32_t fourcc = V4L2_PIX_FMT_BGR24) const;

    V4l2Io& m_io;
    int m_fd;
    VideoFormat m_format;
    std::size_t m_stride = 0;
    v4l2::V4l2Stream m_stream;
    std::uint64_t m_sequence = 0;
};

} // namespace velmora::platform
