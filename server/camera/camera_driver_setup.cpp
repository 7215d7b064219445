// CameraDriver: the operations of the setup dialog and the profiles.
#include "server/camera/camera_driver.h"

#include <algorithm>

namespace velmora::server {

std::vector<std::string> CameraDriver::enumerateDevices()
{
    m_pipeline.enumerateDevices();
    return m_pipeline.deviceNames();
}

std::optional<int> CameraDriver::chosenDeviceIndex() const
{
    if (!m_chosen)
        return std::nullopt;
    const auto& devices = m_pipeline.devices();
    const auto found = std::find(devices.begin(), devices.end(), *m_chosen);
    if (found == devices.end())
        return std::nullopt;
    return static_cast<int>(found - devices.begin());
}

void CameraDriver::chooseDevice(int index)
{
    const auto& devices = m_pipeline.devices();
    if (index < 0 || index >= static_cast<int>(devices.size()))
        return;
    const platform::CaptureDevice device = devices[static_cast<std::size_t>(index)];
    if (m_chosen && *m_chosen == device)
        return;
    disconnect();
    m_chosen = device;
    connect();
}

ColourSettings CameraDriver::colourSettings() const
{
    std::lock_guard lock(m_mutex);
    return m_colour;
}

void CameraDriver::setColourMode(int mode)
{
    if (mode < 0 || mode > static_cast<int>(ColourMode::Debayerization))
        return;
    std::lock_guard lock(m_mutex);
    m_colour.mode = static_cast<ColourMode>(mode);
}

void CameraDriver::setMatrixType(int matrixType)
{
    if (matrixType < 0 || matrixType >= ColourSettings::kMatrixTypes)
        return;
    std::lock_guard lock(m_mutex);
    m_colour.matrixType = matrixType;
}

void CameraDriver::setCoefficient(int index, int percent)
{
    if (index < kBlue || index > kRed)
        return;
    std::lock_guard lock(m_mutex);
    m_colour.coefficients[static_cast<std::size_t>(index)] = percent;
}

void CameraDriver::setSensor(int matrixWidth, int matrixHeight, double pixelWidth, double pixelHeight)
{
    std::lock_guard lock(m_mutex);
    m_sensor = {matrixWidth, matrixHeight, pixelWidth, pixelHeight};
}

void CameraDriver::setFramesToSum(int frames)
{
    AbortExposure();
    std::lock_guard lock(m_mutex);
    m_framesToSum = std::clamp(frames, 1, FrameStore::kMaxFramesSummed);
}

void CameraDriver::setPortName(const std::string& name)
{
    AbortExposure();
    m_portName = name;
    m_port.release();
    openPort();
}

void CameraDriver::setPortSpeed(const std::string& speed)
{
    AbortExposure();
    m_portSpeed = speed;
    m_port.release();
    openPort();
}

std::string CameraDriver::portStatus()
{
    return m_port.statusText(m_portName);
}

void CameraDriver::chooseSequence(int type)
{
    AbortExposure();
    if (m_sequences.select(type))
        m_port.setLines(m_sequences.selected().restWord());
}

void CameraDriver::replaceSelectedSequence(const ExposureSequence& sequence)
{
    AbortExposure();
    m_sequences.replaceSelected(sequence);
    m_port.setLines(m_sequences.selected().restWord());
}

ExposureSequences CameraDriver::sequences() const
{
    return m_sequences;
}

void CameraDriver::showFormatPage()
{
    if (!connected())
        return;
    AbortExposure();
    if (!m_pipeline.stop())
        return; // the stream did not stop: leave it as it is
    m_pipeline.tearDown();
    if (m_formatPageHook) {
        if (const std::optional<platform::VideoFormat> chosen = m_formatPageHook(*this))
            m_pipeline.applyFormat(*chosen);
    }
    if (startStream(true)) {
        // The format chosen in the page stands for later connections too.
        std::lock_guard lock(m_mutex);
        m_requested = m_format;
        return;
    }
    m_port.release();
    m_pipeline.disconnect();
}

void CameraDriver::showSourcePage()
{
    if (connected() && m_sourcePageHook)
        m_sourcePageHook(*this);
}

void CameraDriver::loadSettings(const std::string& profile)
{
    m_profile = profile;
    CameraSettings s;
    s.load(m_store, profile);
    m_requested = {s.formatWidth, s.formatHeight, static_cast<std::uint32_t>(std::max(s.formatPeriod, 0))};
    m_portName = s.port;
    m_portSpeed = s.portSpeed;
    m_sequences = s.exposure;
    std::lock_guard lock(m_mutex);
    m_sensor = {s.matrixWidth, s.matrixHeight, s.pixelWidth, s.pixelHeight};
    if (!connected())
        m_format = m_requested;
    m_sub = {s.startX, s.startY, s.numX, s.numY};
    m_framesToSum = std::clamp(s.framesNumber, 1, FrameStore::kMaxFramesSummed);
    m_colour = ColourSettings::fromStored(s.colorMode, s.matrixType, s.blueCoeff, s.greenCoeff, s.redCoeff);
}

CameraSettings CameraDriver::settings() const
{
    CameraSettings s;
    s.port = m_portName;
    s.portSpeed = m_portSpeed;
    s.exposure = m_sequences;
    std::lock_guard lock(m_mutex);
    s.formatWidth = m_format.width;
    s.formatHeight = m_format.height;
    s.formatPeriod = static_cast<std::int32_t>(m_format.framePeriod);
    s.matrixWidth = m_sensor.matrixWidth;
    s.matrixHeight = m_sensor.matrixHeight;
    s.pixelWidth = m_sensor.pixelWidth;
    s.pixelHeight = m_sensor.pixelHeight;
    s.startX = m_sub.startX;
    s.startY = m_sub.startY;
    s.numX = m_sub.numX;
    s.numY = m_sub.numY;
    s.framesNumber = m_framesToSum;
    s.colorMode = static_cast<std::int32_t>(m_colour.mode);
    s.matrixType = m_colour.matrixType;
    s.blueCoeff = m_colour.coefficients[kBlue];
    s.greenCoeff = m_colour.coefficients[kGreen];
    s.redCoeff = m_colour.coefficients[kRed];
    return s;
}

bool CameraDriver::saveSettings(const std::string& profile)
{
    m_profile = profile;
    return settings().save(m_store, profile);
}

void CameraDriver::loadProfile(const std::string& profile)
{
    disconnect();
    loadSettings(profile);
    connect();
}

} // namespace velmora::server
