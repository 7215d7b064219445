#include "platform/video/v4l2_capture_source.h"

#include "platform/video/v4l2_controls.h"

#include <linux/videodev2.h>

#include <cstdlib>

namespace velmora::platform {

namespace {

// Bounds against drivers whose enumerations never end.
constexpr std::uint32_t kMaxEnumeration = 256;
// Frame sizes a frame's width and height must fit (the camera sends them in 15 bits).
constexpr std::uint32_t kMaxDimension = 32767;
constexpr VideoFormat kFallbackRequest{640, 480, 2'000'000};

v4l2_format captureFormat()
{
    v4l2_format f{};
    f.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    return f;
}

v4l2_streamparm captureParameters()
{
    v4l2_streamparm p{};
    p.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
    return p;
}

} // namespace

std::unique_ptr<V4l2CaptureSource> V4l2CaptureSource::open(V4l2Io& io, const std::string& path,
                                                           const VideoFormat& requested)
{
    const int fd = io.open(path);
    if (fd < 0)
        return nullptr;
    std::unique_ptr<V4l2CaptureSource> source(new V4l2CaptureSource(io, fd));
    if (!source->negotiate(requested))
        return nullptr;
    return source;
}

V4l2CaptureSource::~V4l2CaptureSource()
{
    m_stream.release();
    m_io.close(m_fd);
}

std::vector<V4l2CaptureSource::PixelFormat> V4l2CaptureSource::pixelFormats() const
{
    std::vector<PixelFormat> native;
    std::string bgrDescription = "BGR24";
    for (std::uint32_t index = 0; index < kMaxEnumeration; ++index) {
        v4l2_fmtdesc e{};
        e.index = index;
        e.type = V4L2_BUF_TYPE_VIDEO_CAPTURE;
        if (m_io.ioctl(m_fd, VIDIOC_ENUM_FMT, &e) != 0)
            break;
        e.description[sizeof e.description - 1] = '\0';
        const std::string description = reinterpret_cast<const char*>(e.description);
        if (e.pixelformat == V4L2_PIX_FMT_BGR24 && (e.flags & V4L2_FMT_FLAG_EMULATED))
            bgrDescription = description;
        else if (!(e.flags & V4L2_FMT_FLAG_EMULATED))
            native.push_back({e.pixelformat, description});
    }
    if (native.empty())
        native.push_back({V4L2_PIX_FMT_BGR24, bgrDescription});
    return native;
}

std::vector<v4l2_frmsizeenum> V4l2CaptureSource::frameSizes(std::uint32_t fourcc) const
{
    std::vector<v4l2_frmsizeenum> sizes;
    for (std::uint32_t index = 0; index < kMaxEnumeration; ++index) {
        v4l2_frmsizeenum e{};
        e.index = index;
        e.pixel_format = fourcc;
        if (m_io.ioctl(m_fd, VIDIOC_ENUM_FRAMESIZES, &e) != 0)
            break;
        sizes.push_back(e);
        if (e.type != V4L2_FRMSIZE_TYPE_DISCRETE)
            break; // a range is the only entry
    }
    return sizes;
}

std::vector<v4l2_frmivalenum> V4l2CaptureSource::frameIntervals(int width, int height,
                                                                std::uint32_t fourcc) const
{
    std::vector<v4l2_frmivalenum> intervals;
    for (std::uint32_t index = 0; index < kMaxEnumeration; ++index) {
        v4l2_frmivalenum e{};
        e.index = index;
        e.pixel_format = fourcc;
        e.width = static_cast<std::uint32_t>(width);
        e.height = static_cast<std::uint32_t>(height);
        if (m_io.ioctl(m_fd, VIDIOC_ENUM_FRAMEINTERVALS, &e) != 0)
            break;
        intervals.push_back(e);
        if (e.type != V4L2_FRMIVAL_TYPE_DISCRETE)
            break;
    }
    return intervals;
}

bool V4l2CaptureSource::negotiate(const VideoFormat& requested)
{
    const VideoFormat wanted = requested.width > 0 && requested.height > 0 ? requested : kFallbackRequest;
    const v4l2::FrameSize size = v4l2::closestFrameSize(frameSizes(), wanted.width, std::abs(wanted.height))
                                     .value_or(v4l2::FrameSize{wanted.width, std::abs(wanted.height)});
    v4l2_format f = captureFormat();
    f.fmt.pix.width = static_cast<std::uint32_t>(size.width);
    f.fmt.pix.height = static_cast<std::uint32_t>(size.height);
    f.fmt.pix.pixelformat = V4L2_PIX_FMT_BGR24;
    f.fmt.pix.field = V4L2_FIELD_ANY;
    if (m_io.ioctl(m_fd, VIDIOC_S_FMT, &f) != 0 || f.fmt.pix.pixelformat != V4L2_PIX_FMT_BGR24)
        return false;
    // The driver may have adjusted the size; intervals are offered per actual size.
    const v4l2::FrameSize actual{static_cast<int>(f.fmt.pix.width), static_cast<int>(f.fmt.pix.height)};
    applyInterval(actual, wanted.framePeriod ? wanted.framePeriod : kFallbackRequest.framePeriod);
    return readBack(wanted.framePeriod);
}

void V4l2CaptureSource::applyInterval(const v4l2::FrameSize& size, std::uint32_t period)
{
    v4l2_streamparm p = captureParameters();
    if (m_io.ioctl(m_fd, VIDIOC_G_PARM, &p) != 0 || !(p.parm.capture.capability & V4L2_CAP_TIMEPERFRAME))
        return; // the device keeps its own rate
    p.parm.capture.timeperframe = v4l2::closestFrameInterval(frameIntervals(size.width, size.height), period)
                                      .value_or(v4l2::intervalOf(period));
    m_io.ioctl(m_fd, VIDIOC_S_PARM, &p);
}

bool V4l2CaptureSource::readBack(std::uint32_t requestedPeriod)
{
    v4l2_format f = captureFormat();
    if (m_io.ioctl(m_fd, VIDIOC_G_FMT, &f) != 0 || f.fmt.pix.pixelformat != V4L2_PIX_FMT_BGR24 ||
        f.fmt.pix.width == 0 || f.fmt.pix.height == 0 || f.fmt.pix.width > kMaxDimension ||
        f.fmt.pix.height > kMaxDimension)
        return false;
    m_format.width = static_cast<int>(f.fmt.pix.width);
    m_format.height = static_cast<int>(f.fmt.pix.height);
    m_stride = v4l2::strideOf(f.fmt.pix);
    // A device that cannot say its rate is taken to run at the requested one.
    m_format.framePeriod = requestedPeriod;
    v4l2_streamparm p = captureParameters();
    if (m_io.ioctl(m_fd, VIDIOC_G_PARM, &p) == 0) {
        if (const std::uint32_t period = v4l2::periodOf(p.parm.capture.timeperframe))
            m_format.framePeriod = period;
    }
    return true;
}

std::vector<FrameSizeOption> V4l2CaptureSource::formatOptions() const
{
    std::vector<FrameSizeOption> options;
    for (const PixelFormat& pixel : pixelFormats()) {
        for (const v4l2::FrameSize& size : v4l2::listedSizes(frameSizes(pixel.fourcc)))
            options.push_back({size.width, size.height,
                               v4l2::listedPeriods(frameIntervals(size.width, size.height, pixel.fourcc)),
                               pixel.description});
    }
    return options;
}

bool V4l2CaptureSource::setFormat(const VideoFormat& wanted)
{
    if (m_stream.allocated())
        return false; // drivers refuse a new format while buffers exist
    return negotiate(wanted);
}

std::vector<VideoControl> V4l2CaptureSource::controls() const
{
    return v4l2::listControls(m_io, m_fd);
}

std::optional<std::int32_t> V4l2CaptureSource::controlValue(std::uint32_t id) const
{
    return v4l2::readControl(m_io, m_fd, id);
}

bool V4l2CaptureSource::setControl(std::uint32_t id, std::int32_t value)
{
    return v4l2::writeControl(m_io, m_fd, id, value);
}

bool V4l2CaptureSource::startStreaming()
{
    m_sequence = 0;
    return m_stream.start();
}

FrameResult V4l2CaptureSource::deliverNext(FrameSink& sink, std::stop_token stop)
{
    if (stop.stop_requested())
        return FrameResult::Stopped;
    const int ready = m_io.waitReadable(m_fd, kWaitMs);
    if (ready < 0)
        return FrameResult::Failed;
    if (ready == 0)
        return FrameResult::NoFrame;
    v4l2::V4l2Stream::Filled filled;
    switch (m_stream.take(filled)) {
    case v4l2::V4l2Stream::Take::Failed:
        return FrameResult::Failed;
    case v4l2::V4l2Stream::Take::None:
        return FrameResult::NoFrame;
    case v4l2::V4l2Stream::Take::Frame:
        break;
    }
    // The last row needs only its pixels, not its padding.
    const std::size_t needed = m_stride * static_cast<std::size_t>(m_format.height - 1) +
                               3 * static_cast<std::size_t>(m_format.width);
    const bool whole = filled.bytes >= needed;
    if (whole)
        sink.deliverFrame({filled.data, m_format.width, m_format.height, m_stride, m_sequence++});
    if (!m_stream.giveBack(filled.index))
        return FrameResult::Failed;
    return whole ? FrameResult::Delivered : FrameResult::NoFrame;
}

} // namespace velmora::platform
