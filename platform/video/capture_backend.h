#pragma once
// A kind of capture device (V4L2 devices, the simulated sky...): lists its devices and
// opens one of them.

#include "platform/video/capture_source.h"
#include "platform/video/video_format.h"

#include <memory>
#include <string>
#include <vector>

namespace velmora::platform {

struct CaptureDeviceInfo {
    // Shown to the user (the V4L2 card name, "Sky Simulator").
    std::string name;
    // Identifies the device within its backend (a device path for V4L2).
    std::string id;

    bool operator==(const CaptureDeviceInfo&) const = default;
};

class CaptureBackend {
public:
    virtual ~CaptureBackend() = default;
    // The devices present now, in the system's order.
    virtual std::vector<CaptureDeviceInfo> enumerate() = 0;
    // Opens the device and applies the supported format closest to `requested`; null on failure.
    virtual std::unique_ptr<CaptureSource> open(const CaptureDeviceInfo& device,
                                                const VideoFormat& requested) = 0;
};

} // namespace velmora::platform
