#include "server/telescope/telescope_driver.h"

#include "server/common/leading_number.h"

#include <string_view>

namespace velmora::server {

namespace {

bool contains(const std::string& text, std::string_view part)
{
    return text.find(part) != std::string::npos;
}

} // namespace

TelescopeDriver::TelescopeDriver(PortRegistry& ports, DeviceSettings& store, PulseClock& clock)
    : m_ports(ports), m_store(store), m_guider(ports, clock)
{
    loadSettings(kDefaultProfile);
}

TelescopeDriver::~TelescopeDriver()
{
    finalRelease();
}

void TelescopeDriver::finalRelease()
{
    if (m_released)
        return;
    m_released = true;
    disconnect();
    saveSettings(m_profile);
}

DriverError TelescopeDriver::getConnected(bool& connected) const
{
    connected = m_guider.channel() != nullptr;
    return DriverError::None;
}

DriverError TelescopeDriver::putConnected(bool connected)
{
    if (connected)
        return connect();
    disconnect();
    return DriverError::None;
}

DriverError TelescopeDriver::connect()
{
    if (m_guider.channel())
        return DriverError::None;
    PortChannel* channel = m_ports.openPort(m_settings.port, this);
    if (!channel)
        return DriverError::PortNotFound;
    bool relayBox = contains(m_settings.port, "COM");
    if (relayBox) {
        m_ports.setBaudRate(channel, m_settings.portSpeed);
        if (m_ports.queryPortDevice(channel, m_settings.port) == PortRegistry::kDeviceNotFound) {
            m_ports.releasePort(channel, this);
            return DriverError::DeviceNotFound;
        }
    }
    m_guider.attach(channel);
    if (relayBox) {
        sendRelayMode();
        m_guider.releaseBothAxes();
    }
    m_guider.releaseBothAxes();
    return DriverError::None;
}

void TelescopeDriver::disconnect()
{
    PortChannel* channel = m_guider.stopAndDetach();
    if (channel)
        m_ports.releasePort(channel, this);
}

void TelescopeDriver::sendRelayMode()
{
    m_ports.writeEchoed(m_guider.channel(), std::string_view(m_settings.useRelay ? "r+" : "r-"));
}

DriverError TelescopeDriver::getCanPulseGuide(bool& canPulseGuide) const
{
    canPulseGuide = true;
    return DriverError::None;
}

DriverError TelescopeDriver::PulseGuide(std::int32_t direction, std::int32_t durationMs)
{
    return m_guider.PulseGuide(direction, durationMs);
}

DriverError TelescopeDriver::getIsPulseGuiding(bool& pulseGuiding) const
{
    pulseGuiding = m_guider.IsPulseGuiding();
    return DriverError::None;
}

DriverError TelescopeDriver::getInterfaceVersion(std::int32_t& version) const
{
    version = kInterfaceVersion;
    return DriverError::None;
}

DriverError TelescopeDriver::getApertureDiameter(double& metres) const
{
    metres = m_settings.diameter;
    return DriverError::None;
}

DriverError TelescopeDriver::getFocalLength(double& metres) const
{
    metres = m_settings.focal * m_barlowFactor;
    return DriverError::None;
}

DriverError TelescopeDriver::SetupDialog()
{
    m_guider.releaseBothAxes();
    if (m_dialogHook)
        m_dialogHook(*this);
    m_guider.releaseBothAxes();
    return DriverError::None;
}

void TelescopeDriver::setDialogHook(DialogHook hook)
{
    m_dialogHook = std::move(hook);
}

void TelescopeDriver::loadSettings(const std::string& profile)
{
    m_profile = profile;
    m_settings.load(m_store, profile);
    m_barlowFactor = leadingNumber(m_settings.barlow);
    m_guider.configure(m_settings.directionWords, m_settings.invertPolarity,
                       {m_settings.verBacklashMs, m_settings.horBacklashMs});
}

bool TelescopeDriver::saveSettings(const std::string& profile)
{
    m_profile = profile;
    return settings().save(m_store, profile);
}

TelescopeSettings TelescopeDriver::settings() const
{
    TelescopeSettings present = m_settings;
    present.directionWords = m_guider.directionWords();
    present.invertPolarity = m_guider.invert();
    PulseGuider::Backlash backlash = m_guider.backlash();
    present.verBacklashMs = backlash[0];
    present.horBacklashMs = backlash[1];
    return present;
}

DriverError TelescopeDriver::setPortName(const std::string& portName)
{
    disconnect();
    m_settings.port = portName;
    return connect();
}

DriverError TelescopeDriver::setPortSpeed(const std::string& portSpeed)
{
    disconnect();
    m_settings.portSpeed = portSpeed;
    return connect();
}

void TelescopeDriver::setUseRelay(bool useRelay)
{
    m_settings.useRelay = useRelay;
    sendRelayMode();
    m_guider.releaseBothAxes();
}

void TelescopeDriver::setInvertPolarity(bool invert)
{
    m_guider.setInvert(invert);
    m_guider.releaseBothAxes();
}

void TelescopeDriver::setBacklash(int axis, std::int32_t ms)
{
    m_guider.setBacklash(axis, ms);
}

void TelescopeDriver::setDiameter(double metres)
{
    m_settings.diameter = metres;
}

void TelescopeDriver::setFocal(double metres)
{
    m_settings.focal = metres;
}

void TelescopeDriver::setBarlow(const std::string& barlowText)
{
    m_settings.barlow = barlowText;
    m_barlowFactor = leadingNumber(barlowText);
}

void TelescopeDriver::setDirectionWords(const PulseGuider::DirectionWords& words)
{
    m_guider.changeDirectionWords(words);
}

std::string TelescopeDriver::deviceStatus()
{
    return m_ports.queryPortDevice(m_guider.channel(), m_settings.port);
}

bool TelescopeDriver::holdDirection(int direction)
{
    return m_guider.holdDirection(direction);
}

bool TelescopeDriver::releaseAxis(int axis)
{
    return m_guider.releaseAxis(axis);
}

void TelescopeDriver::releaseBothAxes()
{
    m_guider.releaseBothAxes();
}

bool TelescopeDriver::waitUntilIdle(std::chrono::milliseconds limit) const
{
    return m_guider.waitUntilIdle(limit);
}

} // namespace velmora::server
