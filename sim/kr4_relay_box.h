#pragma once
// The KR-4 USB relay box: eight outputs and a relay mode, driven by two-character
// commands without terminator ("1+" .. "8-", "r+", "r-"); "v" answers one
// identification line ending LF CR. Every byte is echoed by the emulator around it.

#include "sim/line_log.h"
#include "sim/serial_protocol.h"

#include <atomic>
#include <cstdint>

namespace velmora::sim {

class Kr4RelayBox : public SerialProtocol {
public:
    // The identification line without its LF CR ending.
    static constexpr const char* kIdentification = "#DudAvudiZaz KR-4 Relay Box 1.02";

    explicit Kr4RelayBox(LineLog::Clock clock = {});

    std::string onByte(char byte) override;

    bool relayMode() const { return m_relayMode; }
    // Bit n-1 is output n (1 = on).
    std::uint8_t outputs() const { return m_outputs.value(); }
    const LineLog& outputLines() const { return m_outputs; }

private:
    char m_pending = 0; // first character of a two-character command, only on the emulator thread
    std::atomic<bool> m_relayMode{false};
    LineLog m_outputs;
};

} // namespace velmora::sim
