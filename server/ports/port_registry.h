#pragma once
// The port access layer shared by the camera, telescope and focuser: the server owns
// one, and every driver object is made with it.
//
// Ports are opened by name ("LPT1", "LPT2", "COMn") and shared: every driver object
// naming the same port gets the same channel, and the port closes when its last owner
// releases it. One lock serialises every operation on every port, so a relay-box
// command sequence is never interleaved with another and a read-modify-write of the
// parallel data register is never split. Channels handed out stay owned by the
// registry; an operation on a channel that is no longer open fails.
//
// Besides the wait for each byte, an echoed write and a line read each have a
// deadline for the whole of it, so a device that trickles bytes (each in time) cannot
// hold the lock, and every driver's port operations behind it, for long. An echo that
// differs from the byte sent fails the write: the device is not the one spoken to.
// Whatever is left on the line from a failed exchange is discarded before the next
// write, so one failure does not make every later echo wrong.

#include "platform/ports/port_devices.h"
#include "server/ports/port_channel.h"

#include <chrono>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace velmora::server {

class PortRegistry {
public:
    using Clock = std::chrono::steady_clock;
    using Now = Clock::time_point (*)();
    static constexpr std::chrono::milliseconds kByteTimeout{100};
    // How long one echoed write or one line read may take in all.
    static constexpr std::chrono::milliseconds kOperationLimit{500};
    static constexpr std::size_t kReplyBufferSize = 256;
    static constexpr int kListedSerialPorts = 30;

    static constexpr const char* kDeviceNotFound = "Device Not Found";
    static constexpr const char* kConnectedTo = "Connected To ";
    static constexpr const char* kRelayBoxSignature = "DudAvudiZaz";

    // `byteTimeout` bounds the wait for each echoed or read byte; `now` is the clock
    // the operation deadlines are measured with.
    explicit PortRegistry(platform::PortDevices& devices,
                          std::chrono::milliseconds byteTimeout = kByteTimeout, Now now = &Clock::now);
    ~PortRegistry();
    PortRegistry(const PortRegistry&) = delete;
    PortRegistry& operator=(const PortRegistry&) = delete;

    PortChannel* openPort(const std::string& name, PortOwner owner);
    // Drops `owner`'s share; the last owner closes the port. The slot is always cleared.
    void releasePort(PortChannel*& channel, PortOwner owner);
    // Serial channels only: 8N1 at the decimal speed of `speed` ("115200").
    bool setBaudRate(PortChannel* channel, const std::string& speed);
    // Applies a LineWord to the parallel data register or the relay box outputs.
    bool setLines(PortChannel* channel, std::uint16_t word, bool invert);
    // Sends the zero-terminated text in `text` (or all of it without a zero) one byte at
    // a time; each echo replaces the byte sent in `text`. Fails at the first echo that
    // is missing or differs, or when the whole write takes longer than kOperationLimit.
    bool writeEchoed(PortChannel* channel, std::span<char> text);
    // The same for a constant command; the echo is discarded.
    bool writeEchoed(PortChannel* channel, std::string_view text);
    // Reads one line ending LF CR into `buffer`, without its ending and zero-terminated.
    // A line that does not fit, a byte that does not come in time, or a line not
    // complete within kOperationLimit fails the read.
    bool readLine(PortChannel* channel, std::span<char> buffer);
    // One command and its reply: the echoed write of the zero-terminated text in
    // `buffer`, then the line read into the same buffer, with no other operation on any
    // port between them (callers on several threads never take each other's replies).
    bool writeAndReadLine(PortChannel* channel, std::span<char> buffer);
    // Parallel: "LPT1" and "LPT2" when one is open or the library loads. Serial: every
    // "COM1".."COM30" that is open or can be opened.
    void listPorts(std::vector<std::string>& list, bool parallel, bool serial);
    // The status text of the device on the port (the relay box's identification for a
    // serial port), or "Device Not Found".
    std::string queryPortDevice(PortChannel* channel, const std::string& portName);

    std::size_t openChannelCount() const;

private:
    bool isOpen(const PortChannel* channel) const;
    PortChannel* findByName(const std::string& name) const;
    PortChannel* addChannel(std::unique_ptr<PortChannel> channel);
    bool setRelayOutputs(PortChannel& channel, std::uint16_t word, bool invert);
    Clock::time_point defaultDeadline() const;
    // The next byte from the line, waiting no longer than the byte time-out and the deadline.
    std::optional<std::uint8_t> readByteBefore(PortChannel& channel, Clock::time_point deadline);
    void discardStaleInput(PortChannel& channel, Clock::time_point deadline);
    bool writeEchoedLocked(PortChannel& channel, std::span<char> text, Clock::time_point deadline);
    bool readLineLocked(PortChannel& channel, std::span<char> buffer, Clock::time_point deadline);
    void skipRestOfLine(PortChannel& channel, char previous, Clock::time_point deadline);
    bool parallelLibraryLoads();

    platform::PortDevices& m_devices;
    const std::chrono::milliseconds m_byteTimeout;
    const Now m_now;
    mutable std::mutex m_mutex;
    std::vector<std::unique_ptr<PortChannel>> m_channels;
};

} // namespace velmora::server
