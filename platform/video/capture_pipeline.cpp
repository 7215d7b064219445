#include "platform/video/capture_pipeline.h"

#include <cstdio>
#include <cstdlib>

namespace velmora::platform {

CapturePipeline::CapturePipeline(std::vector<CaptureBackend*> backends, FrameSink& sink, int maxPolls)
    : m_backends(std::move(backends)), m_sink(sink), m_maxPolls(maxPolls > 0 ? maxPolls : 1)
{
}

CapturePipeline::~CapturePipeline()
{
    disconnect();
    // A sink stuck beyond the polls still has to return before the source may go.
    if (m_thread.joinable()) {
        m_thread.request_stop();
        m_thread.join();
    }
    if (m_streamingOn && m_source)
        m_source->stopStreaming();
}

const std::vector<CaptureDevice>& CapturePipeline::enumerateDevices()
{
    m_devices.clear();
    for (CaptureBackend* backend : m_backends) {
        for (CaptureDeviceInfo& info : backend->enumerate())
            m_devices.push_back({backend, std::move(info)});
    }
    return m_devices;
}

std::vector<std::string> CapturePipeline::deviceNames() const
{
    std::vector<std::string> names;
    names.reserve(m_devices.size());
    for (const CaptureDevice& device : m_devices)
        names.push_back(device.info.name);
    return names;
}

bool CapturePipeline::connect(const CaptureDevice& device, const VideoFormat& requested)
{
    if (m_source || !device.backend)
        return false;
    m_source = device.backend->open(device.info, requested);
    if (!m_source)
        return false;
    m_connected = device;
    m_state = StreamState::Stopped;
    return true;
}

std::optional<CaptureDevice> CapturePipeline::connectedDevice() const
{
    return m_source ? m_connected : std::nullopt;
}

VideoFormat CapturePipeline::readFormat() const
{
    if (!m_source)
        return {};
    VideoFormat format = m_source->format();
    format.height = std::abs(format.height);
    return format;
}

template <typename Predicate> bool CapturePipeline::poll(Predicate done)
{
    std::unique_lock lock(m_mutex);
    for (int i = 0; i < m_maxPolls; ++i) {
        if (m_changed.wait_for(lock, kPollInterval, done))
            return true;
    }
    return false;
}

bool CapturePipeline::run()
{
    if (!m_source || m_thread.joinable())
        return m_source && m_state == StreamState::Running;
    if (!m_source->startStreaming())
        return false;
    m_streamingOn = true;
    m_framesDelivered = 0;
    m_state = StreamState::Running;
    {
        std::lock_guard lock(m_mutex);
        m_threadStarted = false;
        m_threadActive = true;
    }
    try {
        m_thread = std::jthread([this](std::stop_token stop) { stream(stop); });
    } catch (...) {
        // No streaming thread to be had: the device does not run.
        {
            std::lock_guard lock(m_mutex);
            m_threadActive = false;
        }
        m_source->stopStreaming();
        m_streamingOn = false;
        m_state = StreamState::Failed;
        return false;
    }
    if (poll([this] { return m_threadStarted; }))
        return m_state == StreamState::Running;
    stop();
    return false;
}

void CapturePipeline::stream(std::stop_token stop)
{
    {
        std::lock_guard lock(m_mutex);
        m_threadStarted = true;
    }
    m_changed.notify_all();
    while (!stop.stop_requested()) {
        FrameResult result = FrameResult::Failed;
        try {
            result = m_source->deliverNext(m_sink, stop);
        } catch (...) {
            // A frame that could not be taken (out of memory) ends the stream as a
            // failing device would, never the process.
            std::fprintf(stderr, "capture: delivering a frame failed; the stream stops\n");
        }
        if (result == FrameResult::Delivered)
            ++m_framesDelivered;
        else if (result == FrameResult::Failed) {
            m_state = StreamState::Failed;
            break;
        }
    }
    {
        std::lock_guard lock(m_mutex);
        m_threadActive = false;
    }
    m_changed.notify_all();
}

bool CapturePipeline::stop()
{
    if (m_thread.joinable()) {
        m_thread.request_stop();
        // A thread that already ended (device failure) counts as stopped at once.
        if (!poll([this] { return !m_threadActive; }))
            return false;
        m_thread.join();
        m_thread = std::jthread();
    }
    if (m_streamingOn && m_source)
        m_source->stopStreaming();
    m_streamingOn = false;
    if (m_state != StreamState::Failed)
        m_state = StreamState::Stopped;
    return true;
}

void CapturePipeline::tearDown()
{
    if (m_source && !m_thread.joinable() && !m_streamingOn)
        m_source->releaseBuffers();
}

void CapturePipeline::disconnect()
{
    if (!m_source)
        return;
    if (!stop())
        return; // the sink is stuck: the source must outlive the streaming thread
    m_source->releaseBuffers();
    m_source.reset();
    m_connected.reset();
    m_state = StreamState::Stopped;
}

std::vector<FrameSizeOption> CapturePipeline::formatOptions() const
{
    return m_source ? m_source->formatOptions() : std::vector<FrameSizeOption>{};
}

bool CapturePipeline::applyFormat(const VideoFormat& format)
{
    if (!m_source || m_thread.joinable() || m_streamingOn)
        return false;
    m_source->releaseBuffers();
    return m_source->setFormat(format);
}

std::vector<VideoControl> CapturePipeline::controls() const
{
    return m_source ? m_source->controls() : std::vector<VideoControl>{};
}

std::optional<std::int32_t> CapturePipeline::controlValue(std::uint32_t id) const
{
    return m_source ? m_source->controlValue(id) : std::nullopt;
}

bool CapturePipeline::setControl(std::uint32_t id, std::int32_t value)
{
    return m_source && m_source->setControl(id, value);
}

} // namespace velmora::platform
