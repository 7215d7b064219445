#pragma once
// One open serial line, byte at a time, as the port layer drives it: every byte the
// far end receives is echoed, so reads and writes alternate and each read is bounded.

#include <chrono>
#include <cstdint>
#include <optional>

namespace velmora::platform {

class SerialDevice {
public:
    virtual ~SerialDevice() = default;

    // 8 data bits, no parity, one stop bit, no flow control, at `baudRate`.
    // False when the line refuses the speed.
    virtual bool configure(std::uint32_t baudRate) = 0;
    virtual bool writeByte(std::uint8_t byte) = 0;
    // Returns at once when a byte is waiting; gives up after `timeout` otherwise.
    virtual std::optional<std::uint8_t> readByte(std::chrono::milliseconds timeout) = 0;
};

} // namespace velmora::platform
