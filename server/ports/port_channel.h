#pragma once
// One open port, shared by the driver objects that named it.

#include "platform/ports/parallel_io.h"
#include "platform/ports/serial_device.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace velmora::server {

// The identity of a driver object holding a port; only compared, never dereferenced.
using PortOwner = const void*;

struct PortChannel {
    std::vector<PortOwner> owners;                  // each at most once, in the order they opened the port
    std::string name;                               // as passed to openPort
    std::uint16_t address = 0;                      // parallel data register: 0x378 for "LPT1", else 0x778
    std::unique_ptr<platform::ParallelIo> library;  // set for a parallel channel
    std::unique_ptr<platform::SerialDevice> serial; // set for a serial channel

    bool isParallel() const { return library != nullptr; }
    bool isSerial() const { return serial != nullptr; }
};

} // namespace velmora::server
