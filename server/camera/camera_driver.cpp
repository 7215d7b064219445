#include "server/camera/camera_driver.h"

#include "server/camera/sub_frame_limits.h"

#include <algorithm>

namespace velmora::server {

namespace {

std::vector<platform::CaptureBackend*> presentBackends(const std::vector<platform::CaptureBackend*>& backends)
{
    std::vector<platform::CaptureBackend*> present;
    std::copy_if(backends.begin(), backends.end(), std::back_inserter(present),
                 [](platform::CaptureBackend* backend) { return backend != nullptr; });
    return present;
}

// Every exposure length in whole milliseconds fits a 32-bit count.
constexpr double kLongestExposureSeconds = 2147483.647;

} // namespace

CameraDriver::CameraDriver(const CameraEnvironment& environment)
    : m_environment(environment), m_clock(*environment.clock), m_store(*environment.settings),
      m_port(*environment.ports, this), m_thread(*environment.clock),
      m_pipeline(presentBackends(environment.captureBackends), *this, environment.pipelinePolls)
{
    m_pipeline.enumerateDevices();
    loadSettings(kDefaultProfile);
}

CameraDriver::~CameraDriver()
{
    finalRelease();
}

void CameraDriver::finalRelease()
{
    if (m_released)
        return;
    m_released = true;
    disconnect();
    saveSettings(m_profile);
}

DriverError CameraDriver::getCameraState(std::int32_t& state) const
{
    std::lock_guard lock(m_mutex);
    state = static_cast<std::int32_t>(m_machine.state());
    return DriverError::None;
}

DriverError CameraDriver::getCameraXSize(std::int32_t& width) const
{
    std::lock_guard lock(m_mutex);
    width = m_format.width;
    return DriverError::None;
}

DriverError CameraDriver::getCameraYSize(std::int32_t& height) const
{
    std::lock_guard lock(m_mutex);
    height = m_format.height;
    return DriverError::None;
}

DriverError CameraDriver::getConnected(bool& connected) const
{
    connected = this->connected();
    return DriverError::None;
}

bool CameraDriver::putConnected(bool connected)
{
    if (connected)
        return connect();
    disconnect();
    return true;
}

bool CameraDriver::connect()
{
    if (connected())
        return true;
    if (!tryDevices())
        return false;
    // A port that does not open leaves the camera without long exposures, nothing more.
    openPort();
    if (startStream(false))
        return true;
    // A device that opens but cannot stream is no camera.
    m_port.release();
    m_pipeline.disconnect();
    return false;
}

bool CameraDriver::tryDevices()
{
    if (m_chosen)
        return m_pipeline.connect(*m_chosen, m_requested);
    for (const platform::CaptureDevice& device : m_pipeline.devices()) {
        if (m_pipeline.connect(device, m_requested)) {
            m_chosen = device;
            return true;
        }
    }
    if (!m_pipeline.devices().empty())
        m_chosen = m_pipeline.devices().front();
    return false;
}

bool CameraDriver::startStream(bool wholeFrame)
{
    const platform::VideoFormat format = m_pipeline.readFormat();
    {
        std::lock_guard lock(m_mutex);
        m_format = format;
        if (!m_machine.allocate(format.width, format.height))
            return false;
        if (wholeFrame) {
            m_sub = {0, 0, format.width, format.height};
        } else {
            SubFrameLimits::fit(m_sub.startX, m_sub.numX, format.width);
            SubFrameLimits::fit(m_sub.startY, m_sub.numY, format.height);
        }
    }
    return m_pipeline.run();
}

void CameraDriver::disconnect()
{
    if (!connected())
        return;
    AbortExposure();
    // Never under the lock: the frame callback takes it.
    m_pipeline.stop();
    m_pipeline.tearDown();
    m_port.release();
    m_pipeline.disconnect();
}

void CameraDriver::openPort()
{
    m_port.open(m_portName, m_portSpeed, m_sequences.selected().restWord());
}

DriverError CameraDriver::getImageReady(bool& ready) const
{
    std::lock_guard lock(m_mutex);
    ready = m_machine.imageReady();
    return DriverError::None;
}

DriverError CameraDriver::getNumX(std::int32_t& value) const
{
    std::lock_guard lock(m_mutex);
    value = m_sub.numX;
    return DriverError::None;
}

DriverError CameraDriver::getNumY(std::int32_t& value) const
{
    std::lock_guard lock(m_mutex);
    value = m_sub.numY;
    return DriverError::None;
}

DriverError CameraDriver::getStartX(std::int32_t& value) const
{
    std::lock_guard lock(m_mutex);
    value = m_sub.startX;
    return DriverError::None;
}

DriverError CameraDriver::getStartY(std::int32_t& value) const
{
    std::lock_guard lock(m_mutex);
    value = m_sub.startY;
    return DriverError::None;
}

void CameraDriver::putSubFrame(bool start, bool xAxis, std::int32_t value)
{
    std::lock_guard lock(m_mutex);
    int& first = xAxis ? m_sub.startX : m_sub.startY;
    int& size = xAxis ? m_sub.numX : m_sub.numY;
    const int extent = xAxis ? m_format.width : m_format.height;
    if (start)
        SubFrameLimits::putStart(value, first, size, extent);
    else
        SubFrameLimits::putSize(value, first, size, extent);
}

DriverError CameraDriver::putNumX(std::int32_t value)
{
    putSubFrame(false, true, value);
    return DriverError::None;
}

DriverError CameraDriver::putNumY(std::int32_t value)
{
    putSubFrame(false, false, value);
    return DriverError::None;
}

DriverError CameraDriver::putStartX(std::int32_t value)
{
    putSubFrame(true, true, value);
    return DriverError::None;
}

DriverError CameraDriver::putStartY(std::int32_t value)
{
    putSubFrame(true, false, value);
    return DriverError::None;
}

DriverError CameraDriver::getPixelSizeX(double& micrometres) const
{
    std::lock_guard lock(m_mutex);
    // Before any format is known the sensor's own pixel is the best answer.
    micrometres = m_format.width > 0 ? m_sensor.matrixWidth * m_sensor.pixelWidth / m_format.width
                                     : m_sensor.pixelWidth;
    return DriverError::None;
}

DriverError CameraDriver::getPixelSizeY(double& micrometres) const
{
    std::lock_guard lock(m_mutex);
    micrometres = m_format.height > 0 ? m_sensor.matrixHeight * m_sensor.pixelHeight / m_format.height
                                      : m_sensor.pixelHeight;
    return DriverError::None;
}

DriverError CameraDriver::AbortExposure()
{
    {
        std::lock_guard lock(m_mutex);
        if (m_machine.state() == CameraState::Idle)
            return DriverError::None;
    }
    // The lock stays free while the thread finishes: it takes the lock to end its sequence.
    m_thread.abort();
    m_thread.waitFinished();
    std::lock_guard lock(m_mutex);
    m_machine.abort();
    return DriverError::None;
}

DriverError CameraDriver::StartExposure(double durationSeconds, bool /*light*/, bool& started)
{
    std::lock_guard lock(m_mutex);
    started = false;
    // NaN and lengths beyond a 32-bit millisecond count are no durations either.
    if (!(durationSeconds >= 0.0) || durationSeconds > kLongestExposureSeconds)
        return DriverError::InvalidDuration;
    if (!connected())
        return DriverError::NotConnected;
    if (m_machine.state() != CameraState::Idle)
        return DriverError::AlreadyInProgress;
    const auto exposureMs = static_cast<std::int32_t>(durationSeconds * 1000.0);
    m_machine.clearImageReady();
    if (exposureMs <= ExposureStateMachine::kLongExposureMs) {
        m_machine.startShort(exposureMs);
        started = true;
        return DriverError::None;
    }
    return startLongExposure(exposureMs, started);
}

DriverError CameraDriver::startLongExposure(std::int32_t exposureMs, bool& started)
{
    if (!m_port.isOpen())
        return DriverError::PortNotConnected;
    m_machine.startLong(exposureMs);
    ExposureThread::Hooks hooks;
    hooks.setLines = [this](std::uint16_t word) { m_port.setLines(word); };
    hooks.sequenceEnded = [this] {
        std::lock_guard lock(m_mutex);
        m_machine.sequenceEnded();
    };
    hooks.framesStopped = [this] {
        std::lock_guard lock(m_mutex);
        m_machine.abort();
    };
    if (!m_thread.start(m_sequences.selected(), exposureMs, m_environment.frameWaitFor(m_format.framePeriod),
                        std::move(hooks))) {
        // No thread to run the sequence: nothing was switched, the camera stays idle
        // and StartExposure answers that it did not start.
        m_machine.abort();
        return DriverError::None;
    }
    started = true;
    return DriverError::None;
}

DriverError CameraDriver::SetupDialog()
{
    AbortExposure();
    if (m_dialogHook)
        m_dialogHook(*this);
    AbortExposure();
    return DriverError::None;
}

DriverError CameraDriver::useImage(const ImageUse& use) const
{
    std::lock_guard lock(m_mutex);
    if (!connected())
        return DriverError::NotConnected;
    if (!m_machine.imageReady())
        return DriverError::ImageNotReady;
    use(m_machine.image());
    return DriverError::None;
}

void CameraDriver::deliverFrame(const platform::VideoFrame& frame)
{
    // While a switching sequence runs, frames only pace its thread.
    if (m_thread.sequenceRunning()) {
        m_thread.frameArrived();
        return;
    }
    const FrameBytes bytes{frame.data, frame.width, frame.height, static_cast<std::ptrdiff_t>(frame.stride)};
    std::lock_guard lock(m_mutex);
    m_machine.processFrame(bytes, m_sub, m_colour, m_framesToSum);
}

} // namespace velmora::server
