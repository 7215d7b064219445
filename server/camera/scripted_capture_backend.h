#pragma once
// A capture device for tests whose frames the test hands over one by one: each pushed
// frame is delivered on the pipeline's streaming thread, and the test can wait until
// the camera has taken it. Frames have padded rows, as many real devices deliver them.

#include "platform/video/capture_backend.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace velmora::server::testing {

class ScriptedCaptureBackend : public platform::CaptureBackend {
public:
    static constexpr int kRowPadding = 4;

    // One device named `name` whose format is `format` whatever is requested.
    explicit ScriptedCaptureBackend(std::string name = "Test Camera",
                                    platform::VideoFormat format = {160, 128, 100000});

    std::vector<platform::CaptureDeviceInfo> enumerate() override;
    std::unique_ptr<platform::CaptureSource> open(const platform::CaptureDeviceInfo& device,
                                                  const platform::VideoFormat& requested) override;

    // The device cannot be opened (unplugged, busy).
    void setRefused(bool refused);
    int opens() const;
    const platform::VideoFormat& format() const { return m_format; }

    // A uniform frame of `level` in every channel, with pixel (x, 0) = level + x in
    // blue so that frames of the same level still differ from a plain fill.
    void push(std::uint8_t level);
    // Delivered frames (the camera returned from each).
    std::uint64_t delivered() const;
    // Waits until `count` frames have been delivered; false after `limit`.
    bool waitDelivered(std::uint64_t count, std::chrono::milliseconds limit = std::chrono::seconds(5)) const;

    struct Shared;

private:
    platform::VideoFormat m_format;
    std::string m_name;
    std::shared_ptr<Shared> m_shared;
};

} // namespace velmora::server::testing
