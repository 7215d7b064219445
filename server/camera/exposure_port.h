#pragma once
// The camera's exposure port: a parallel port ("LPT1", "LPT2") or a KR-4 relay box on a
// serial port ("COMn") whose lines switch the camera's long exposures. A serial port
// counts as open only when a relay box answers on it. Line words are always applied
// without inversion.
//
// open() and release() run on the controlling thread while no exposure runs;
// setLines() also on the exposure thread.

#include "server/ports/port_registry.h"

#include <atomic>
#include <cstdint>
#include <string>

namespace velmora::server {

class ExposurePort {
public:
    // `ports` is borrowed; `owner` names the camera to the port layer.
    ExposurePort(PortRegistry& ports, PortOwner owner) : m_ports(ports), m_owner(owner) {}
    ~ExposurePort() { release(); }
    ExposurePort(const ExposurePort&) = delete;
    ExposurePort& operator=(const ExposurePort&) = delete;

    // Opens `name` (releasing any port held before), checks for the relay box on a
    // serial port, and sets the lines to `restWord`. False when no port is open afterwards.
    bool open(const std::string& name, const std::string& speed, std::uint16_t restWord);
    void release();
    bool isOpen() const { return m_channel.load() != nullptr; }
    // False without a port or when the write fails.
    bool setLines(std::uint16_t word);
    // "Connected To LPTn", the relay box's identification, or "Device Not Found".
    std::string statusText(const std::string& name);

private:
    PortRegistry& m_ports;
    PortOwner m_owner;
    std::atomic<PortChannel*> m_channel{nullptr};
};

} // namespace velmora::server
