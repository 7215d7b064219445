#pragma once
// Test support: V4l2Io over simulated devices, answering the ioctls the V4L2 backend
// uses the way a driver behind libv4l2 does (or misbehaves, where a test asks).

#include "platform/video/v4l2_io.h"

#include <linux/videodev2.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace velmora::platform::testing {

struct FakeV4l2Device {
    std::string card = "Fake Camera";
    std::uint32_t capabilities = V4L2_CAP_VIDEO_CAPTURE | V4L2_CAP_STREAMING;
    bool opens = true;

    // Format side.
    // The device's own pixel formats, listed by VIDIOC_ENUM_FMT before the BGR24 that
    // libv4l2 adds (flagged emulated when there are any); each with its frame sizes.
    struct NativeFormat {
        std::uint32_t fourcc = 0;
        std::string description;
        std::vector<v4l2_frmsizeenum> sizes;
    };
    std::vector<NativeFormat> nativeFormats;
    bool enumeratesFormats = true;           // answers VIDIOC_ENUM_FMT at all
    std::vector<v4l2_frmsizeenum> sizes;     // VIDIOC_ENUM_FRAMESIZES answers for BGR24, by index
    std::vector<v4l2_frmivalenum> intervals; // VIDIOC_ENUM_FRAMEINTERVALS answers, any size
    bool deliversBgr = true;                 // S_FMT keeps BGR24 (else answers YUYV)
    bool snapsToListedSize = true;           // S_FMT moves to the nearest listed discrete size
    std::uint32_t rowPadding = 0;            // bytesperline = 3 x width + this
    bool timePerFrame = true;                // V4L2_CAP_TIMEPERFRAME
    v4l2_fract interval{1, 30};
    v4l2_pix_format current{};

    // Controls.
    std::vector<v4l2_queryctrl> controls;
    std::map<std::uint32_t, std::vector<v4l2_querymenu>> menus; // by control id
    std::map<std::uint32_t, std::int32_t> values;
    bool nextCtrl = true;       // supports V4L2_CTRL_FLAG_NEXT_CTRL
    bool nextCtrlStuck = false; // answers every NEXT_CTRL query with the first control

    // Streaming.
    std::uint32_t grantedBuffers = 4;
    bool failsMmap = false;
    std::uint32_t truncateBytesUsedTo = 0; // nonzero: every frame claims only this many bytes
    bool failsDequeue = false;             // DQBUF fails with ENODEV
    // Fills a buffer for frame n: called at dequeue time.
    std::function<void(std::uint8_t* data, const v4l2_pix_format& format, std::uint64_t n)> fill;

    // What happened.
    int formatsSet = 0;
    int parametersSet = 0;
    int streamOns = 0;
    int streamOffs = 0;
    int mapped = 0;
    int unmapped = 0;
    std::uint64_t framesDequeued = 0;
    bool streaming = false;
    std::vector<std::uint32_t> queued; // indices of buffers with the driver
    std::vector<std::vector<std::uint8_t>> buffers;
    int openCount = 0;
};

class FakeV4l2Io : public V4l2Io {
public:
    // Devices are listed in the order added.
    FakeV4l2Device& add(const std::string& path);
    FakeV4l2Device& device(const std::string& path) { return *m_devices.at(path); }

    std::vector<std::string> listDevicePaths() override { return m_order; }
    int open(const std::string& path) override;
    void close(int fd) override;
    int ioctl(int fd, unsigned long request, void* argument) override;
    void* mmap(int fd, std::size_t length, std::int64_t offset) override;
    void munmap(void* address, std::size_t length) override;
    int waitReadable(int fd, int timeoutMs) override;

    int openDescriptors() const { return static_cast<int>(m_open.size()); }

private:
    int formatIoctl(FakeV4l2Device& d, unsigned long request, void* argument);
    int controlIoctl(FakeV4l2Device& d, unsigned long request, void* argument);
    int streamIoctl(FakeV4l2Device& d, unsigned long request, void* argument);

    std::map<std::string, std::unique_ptr<FakeV4l2Device>> m_devices;
    std::vector<std::string> m_order;
    std::map<int, FakeV4l2Device*> m_open;
    int m_nextFd = 3;
};

v4l2_frmsizeenum discreteSize(std::uint32_t width, std::uint32_t height);
v4l2_frmivalenum discreteInterval(std::uint32_t numerator, std::uint32_t denominator);
v4l2_queryctrl integerControl(std::uint32_t id, const char* name, std::int32_t min, std::int32_t max,
                              std::int32_t step, std::int32_t defaultValue,
                              std::uint32_t type = V4L2_CTRL_TYPE_INTEGER);

} // namespace velmora::platform::testing
