#include "sim/simulator_ports.h"

#include <cstdlib>
#include <cstring>

namespace velmora::sim {

bool SimulatorPorts::requestedByEnvironment()
{
    const char* value = std::getenv(kEnvironmentVariable);
    return value && std::strcmp(value, "1") == 0;
}

std::unique_ptr<SimulatorPorts> SimulatorPorts::setUp(platform::SystemPortDevices& devices)
{
    auto ports = std::make_unique<SimulatorPorts>(devices);
    if (requestedByEnvironment() && !ports->enableSimulatorMode())
        return nullptr;
    return ports;
}

SimulatorPorts::SimulatorPorts(platform::SystemPortDevices& devices, LineLog::Clock clock)
    : m_devices(devices), m_parallel(clock), m_relayBox(clock), m_focuser(clock)
{
    m_devices.setSimulatorBackend(&m_parallel);
}

SimulatorPorts::~SimulatorPorts()
{
    if (m_simulatorMode) {
        m_devices.unmapSerialPort(kFocuserPort);
        m_devices.unmapSerialPort(kRelayBoxPort);
        m_devices.setSimulatorForced(false);
    }
    m_devices.setSimulatorBackend(nullptr);
}

bool SimulatorPorts::enableSimulatorMode()
{
    if (m_simulatorMode)
        return true;
    if (!m_focuserEmulator.start() || !m_relayBoxEmulator.start()) {
        m_focuserEmulator.stop();
        m_relayBoxEmulator.stop();
        return false;
    }
    m_devices.mapSerialPort(kFocuserPort, m_focuserEmulator.slavePath());
    m_devices.mapSerialPort(kRelayBoxPort, m_relayBoxEmulator.slavePath());
    m_devices.setSimulatorForced(true);
    m_simulatorMode = true;
    return true;
}

} // namespace velmora::sim
