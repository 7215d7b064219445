#pragma once
// The camera's capture pipeline: lists the capture devices of every backend (in the
// order the backends are given, so the simulated sky comes after the real devices when
// its backend is last), connects one with a requested format, runs and stops its stream
// and delivers every frame to the sink on a streaming thread of its own, one frame at
// a time. Also the operations behind the device's format page and source page.
//
// All members are for the controlling (main) thread. The sink is called only on the
// streaming thread; stop() must not be called while holding a lock the sink takes.

#include "platform/video/capture_backend.h"
#include "platform/video/capture_source.h"
#include "platform/video/frame_sink.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace velmora::platform {

// A device of the list: the backend it belongs to and its description there.
struct CaptureDevice {
    CaptureBackend* backend = nullptr;
    CaptureDeviceInfo info;

    bool operator==(const CaptureDevice&) const = default;
};

class CapturePipeline {
public:
    enum class StreamState { Stopped, Running, Failed };

    // run() and stop() look at the stream's state this often, this many times at most.
    static constexpr std::chrono::milliseconds kPollInterval{100};
    static constexpr int kMaxPolls = 50;

    // The backends are borrowed and must outlive the pipeline. `maxPolls` bounds the
    // waits of run() and stop().
    CapturePipeline(std::vector<CaptureBackend*> backends, FrameSink& sink, int maxPolls = kMaxPolls);
    ~CapturePipeline();
    CapturePipeline(const CapturePipeline&) = delete;
    CapturePipeline& operator=(const CapturePipeline&) = delete;

    // Lists the devices again; names and devices stay index-aligned.
    const std::vector<CaptureDevice>& enumerateDevices();
    const std::vector<CaptureDevice>& devices() const { return m_devices; }
    std::vector<std::string> deviceNames() const;

    // Opens `device` with the supported format closest to `requested`. False when it
    // cannot be opened, or when a device is connected already.
    bool connect(const CaptureDevice& device, const VideoFormat& requested);
    bool connected() const { return m_source != nullptr; }
    std::optional<CaptureDevice> connectedDevice() const;
    // The format in use (zeros when not connected).
    VideoFormat readFormat() const;

    // Starts the stream and waits until frames flow; false when not connected, when
    // the device refuses, or when the stream does not start within the polls.
    bool run();
    // Ends the stream and waits until the streaming thread has finished; false when it
    // has not finished within the polls (the sink is stuck), in which case nothing
    // further is torn down and stop() may be tried again.
    bool stop();
    StreamState streamState() const { return m_state.load(); }
    // Frees the stream's buffers; only when stopped.
    void tearDown();
    // Stops, tears down and closes the device.
    void disconnect();

    // Format page: the sizes and periods offered, and applying one. The stream must be
    // stopped (the camera stops it, applies, reads the format back and runs again).
    std::vector<FrameSizeOption> formatOptions() const;
    bool applyFormat(const VideoFormat& format);

    // Source page.
    std::vector<VideoControl> controls() const;
    std::optional<std::int32_t> controlValue(std::uint32_t id) const;
    bool setControl(std::uint32_t id, std::int32_t value);

    std::uint64_t framesDelivered() const { return m_framesDelivered.load(); }

private:
    void stream(std::stop_token stop);
    // Polls the streaming thread's flags (every kPollInterval, at most kMaxPolls times).
    template <typename Predicate> bool poll(Predicate done);

    std::vector<CaptureBackend*> m_backends;
    FrameSink& m_sink;
    int m_maxPolls;
    std::vector<CaptureDevice> m_devices;
    std::optional<CaptureDevice> m_connected;
    std::unique_ptr<CaptureSource> m_source;

    std::jthread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Guarded by m_mutex: the streaming thread has started, and has not finished yet.
    bool m_threadStarted = false;
    bool m_threadActive = false;
    bool m_streamingOn = false; // the source's stream is started
    std::atomic<StreamState> m_state{StreamState::Stopped};
    std::atomic<std::uint64_t> m_framesDelivered{0};
};

} // namespace velmora::platform
