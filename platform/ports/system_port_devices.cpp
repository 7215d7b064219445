#include "platform/ports/system_port_devices.h"

#include "platform/ports/ppdev_parallel_backend.h"
#include "platform/ports/serial_port_name.h"
#include "platform/ports/termios_serial_device.h"
#include "platform/registry/registry.h"

#include <vector>

namespace velmora::platform {

namespace {

// A REG_SZ value of the Ports key, without its terminating NUL; none when the key or
// value is missing, of another type or empty.
std::optional<std::string> readPortsText(const char* name)
{
    HKEY key = nullptr;
    if (RegOpenKeyEx(HKEY_LOCAL_MACHINE, SystemPortDevices::kPortsKey, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return std::nullopt;
    DWORD type = 0;
    DWORD size = 0;
    std::optional<std::string> text;
    if (RegQueryValueEx(key, name, &type, nullptr, &size) == ERROR_SUCCESS && type == REG_SZ && size > 0) {
        std::vector<BYTE> data(size);
        if (RegQueryValueEx(key, name, &type, data.data(), &size) == ERROR_SUCCESS && size <= data.size()) {
            std::string value(data.begin(), data.begin() + size);
            value = value.substr(0, value.find('\0'));
            if (!value.empty())
                text = value;
        }
    }
    RegCloseKey(key);
    return text;
}

} // namespace

SystemPortDevices::SystemPortDevices() : SystemPortDevices(std::make_unique<PpdevParallelBackend>()) {}

SystemPortDevices::SystemPortDevices(std::unique_ptr<ParallelBackend> hardwareBackend)
    : m_hardwareBackend(std::move(hardwareBackend))
{
}

SystemPortDevices::ParallelChoice SystemPortDevices::parallelChoice() const
{
    {
        std::lock_guard lock(m_mutex);
        if (m_simulatorForced)
            return ParallelChoice::Simulator;
    }
    return readPortsText(kParallelValue) == std::string(kSimulatorBackend) ? ParallelChoice::Simulator
                                                                           : ParallelChoice::Ppdev;
}

std::unique_ptr<ParallelIo> SystemPortDevices::loadParallel(std::uint16_t address)
{
    ParallelChoice choice = parallelChoice();
    std::lock_guard lock(m_mutex);
    ParallelBackend* backend =
        choice == ParallelChoice::Simulator ? m_simulatorBackend : m_hardwareBackend.get();
    return backend ? backend->load(address) : nullptr;
}

std::optional<std::string> SystemPortDevices::serialDevicePath(const std::string& name) const
{
    std::optional<int> number = serialPortNumber(name);
    if (!number)
        return std::nullopt;
    {
        std::lock_guard lock(m_mutex);
        auto mapped = m_serialMap.find(name);
        if (mapped != m_serialMap.end())
            return mapped->second;
    }
    if (std::optional<std::string> stored = readPortsText(name.c_str()))
        return stored;
    return defaultSerialDevicePath(*number);
}

std::unique_ptr<SerialDevice> SystemPortDevices::openSerial(const std::string& name)
{
    std::optional<std::string> path = serialDevicePath(name);
    if (!path)
        return nullptr;
    return TermiosSerialDevice::open(*path);
}

void SystemPortDevices::mapSerialPort(const std::string& name, const std::string& path)
{
    std::lock_guard lock(m_mutex);
    m_serialMap[name] = path;
}

void SystemPortDevices::unmapSerialPort(const std::string& name)
{
    std::lock_guard lock(m_mutex);
    m_serialMap.erase(name);
}

void SystemPortDevices::setSimulatorBackend(ParallelBackend* backend)
{
    std::lock_guard lock(m_mutex);
    m_simulatorBackend = backend;
}

void SystemPortDevices::setSimulatorForced(bool forced)
{
    std::lock_guard lock(m_mutex);
    m_simulatorForced = forced;
}

} // namespace velmora::platform
