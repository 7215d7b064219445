#pragma once
// A serial device driven through termios: raw 8N1, exclusive, non-blocking
// underneath so that every read and write is bounded in time. Linux sizes a serial
// line's queues itself (at least 4 KiB each way), so no queue size is asked for.

#include "platform/ports/serial_device.h"

#include <memory>
#include <string>

namespace velmora::platform {

class TermiosSerialDevice : public SerialDevice {
public:
    // Opens `path` for reading and writing without sharing: the open fails when another
    // holder has the device (flock, and TIOCEXCL for unprivileged openers) or when the
    // path is not a terminal. The line is raw 8N1 and both queues are flushed.
    static std::unique_ptr<TermiosSerialDevice> open(const std::string& path);
    ~TermiosSerialDevice() override;
    TermiosSerialDevice(const TermiosSerialDevice&) = delete;
    TermiosSerialDevice& operator=(const TermiosSerialDevice&) = delete;

    bool configure(std::uint32_t baudRate) override;
    bool writeByte(std::uint8_t byte) override;
    std::optional<std::uint8_t> readByte(std::chrono::milliseconds timeout) override;

    // A write waits at most this long for room in the output queue; with no flow
    // control a real line always drains, so this only guards against a stuck driver.
    static constexpr std::chrono::milliseconds kWriteLimit{1000};

private:
    explicit TermiosSerialDevice(int fd) : m_fd(fd) {}
    bool waitFor(short events, std::chrono::milliseconds timeout) const;

    int m_fd;
};

} // namespace velmora::platform
