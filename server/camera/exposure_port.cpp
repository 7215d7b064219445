#include "server/camera/exposure_port.h"

namespace velmora::server {

bool ExposurePort::open(const std::string& name, const std::string& speed, std::uint16_t restWord)
{
    release();
    PortChannel* channel = m_ports.openPort(name, m_owner);
    if (!channel)
        return false;
    if (name.find("COM") != std::string::npos) {
        m_ports.setBaudRate(channel, speed);
        if (m_ports.queryPortDevice(channel, name) == PortRegistry::kDeviceNotFound) {
            m_ports.releasePort(channel, m_owner);
            return false;
        }
    }
    m_channel = channel;
    setLines(restWord);
    return true;
}

void ExposurePort::release()
{
    PortChannel* channel = m_channel.exchange(nullptr);
    if (channel)
        m_ports.releasePort(channel, m_owner);
}

bool ExposurePort::setLines(std::uint16_t word)
{
    PortChannel* channel = m_channel.load();
    return channel && m_ports.setLines(channel, word, false);
}

std::string ExposurePort::statusText(const std::string& name)
{
    return m_ports.queryPortDevice(m_channel.load(), name);
}

} // namespace velmora::server
