#pragma once
// Where the port layer gets its devices from: the system (termios, ppdev) in the
// server, fakes in tests.

#include "platform/ports/parallel_io.h"
#include "platform/ports/serial_device.h"

#include <cstdint>
#include <memory>
#include <string>

namespace velmora::platform {

class PortDevices {
public:
    virtual ~PortDevices() = default;

    // The parallel-port I/O library for the data register at `address`; none when it
    // does not load.
    virtual std::unique_ptr<ParallelIo> loadParallel(std::uint16_t address) = 0;
    // Opens the serial device of a port name such as "COM3", exclusively; none when the
    // name is not a serial name or the device cannot be opened.
    virtual std::unique_ptr<SerialDevice> openSerial(const std::string& name) = 0;
};

} // namespace velmora::platform
