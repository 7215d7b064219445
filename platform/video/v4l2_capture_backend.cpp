#include "platform/video/v4l2_capture_backend.h"

#include "platform/video/system_v4l2_io.h"
#include "platform/video/v4l2_capture_source.h"

#include <linux/videodev2.h>

#include <cstring>
#include <optional>
#include <string>

namespace velmora::platform {

namespace {

// The card name if `fd` is a device that captures video by streaming.
std::optional<std::string> captureCardName(V4l2Io& io, int fd)
{
    v4l2_capability cap{};
    if (io.ioctl(fd, VIDIOC_QUERYCAP, &cap) != 0)
        return std::nullopt;
    const std::uint32_t caps = (cap.capabilities & V4L2_CAP_DEVICE_CAPS) ? cap.device_caps : cap.capabilities;
    if (!(caps & V4L2_CAP_VIDEO_CAPTURE) || !(caps & V4L2_CAP_STREAMING))
        return std::nullopt;
    const char* card = reinterpret_cast<const char*>(cap.card);
    return std::string(card, strnlen(card, sizeof cap.card));
}

} // namespace

V4l2CaptureBackend::V4l2CaptureBackend() : V4l2CaptureBackend(std::make_unique<SystemV4l2Io>()) {}

V4l2CaptureBackend::V4l2CaptureBackend(std::unique_ptr<V4l2Io> io) : m_io(std::move(io)) {}

V4l2CaptureBackend::~V4l2CaptureBackend() = default;

std::vector<CaptureDeviceInfo> V4l2CaptureBackend::enumerate()
{
    std::vector<CaptureDeviceInfo> devices;
    for (const std::string& path : m_io->listDevicePaths()) {
        const int fd = m_io->open(path);
        if (fd < 0)
            continue;
        if (std::optional<std::string> card = captureCardName(*m_io, fd))
            devices.push_back({card->empty() ? path : *card, path});
        m_io->close(fd);
    }
    return devices;
}

std::unique_ptr<CaptureSource> V4l2CaptureBackend::open(const CaptureDeviceInfo& device,
                                                        const VideoFormat& requested)
{
    return V4l2CaptureSource::open(*m_io, device.id, requested);
}

} // namespace velmora::platform
