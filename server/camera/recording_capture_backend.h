#pragma once
// A capture backend for tests that passes another backend's devices through and keeps
// a tightly packed copy of every frame delivered to the camera, so that a test can
// compare an exposure with the very frames it was made from.

#include "platform/video/capture_backend.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace velmora::server::testing {

struct RecordedFrame {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> bgr; // width x height x 3, rows tightly packed

    int at(int x, int y, int channel) const
    {
        return bgr[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                    static_cast<std::size_t>(x)) *
                       3 +
                   static_cast<std::size_t>(channel)];
    }
};

class RecordingCaptureBackend : public platform::CaptureBackend {
public:
    // `inner` is borrowed. Frames are delivered to the camera first, then recorded.
    explicit RecordingCaptureBackend(platform::CaptureBackend& inner);

    std::vector<platform::CaptureDeviceInfo> enumerate() override { return m_inner.enumerate(); }
    std::unique_ptr<platform::CaptureSource> open(const platform::CaptureDeviceInfo& device,
                                                  const platform::VideoFormat& requested) override;

    std::size_t count() const;
    // Devices opened through this backend.
    int opens() const;
    RecordedFrame frame(std::size_t index) const;
    bool waitForCount(std::size_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

    struct Record {
        mutable std::mutex mutex;
        mutable std::condition_variable changed;
        std::vector<RecordedFrame> frames;
        int opens = 0;
    };

private:
    platform::CaptureBackend& m_inner;
    std::shared_ptr<Record> m_record;
};

} // namespace velmora::server::testing
