#pragma once
// The V4L2 capture devices: every /dev/video<N> that can capture video by streaming,
// named by its card name.

#include "platform/video/capture_backend.h"
#include "platform/video/v4l2_io.h"

#include <memory>

namespace velmora::platform {

class V4l2CaptureBackend : public CaptureBackend {
public:
    // Through libv4l2 on the system's devices.
    V4l2CaptureBackend();
    explicit V4l2CaptureBackend(std::unique_ptr<V4l2Io> io);
    ~V4l2CaptureBackend() override;

    std::vector<CaptureDeviceInfo> enumerate() override;
    std::unique_ptr<CaptureSource> open(const CaptureDeviceInfo& device,
                                        const VideoFormat& requested) override;

private:
    std::unique_ptr<V4l2Io> m_io;
};

} // namespace velmora::platform
