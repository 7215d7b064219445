#include "sim/kr4_relay_box.h"

namespace velmora::sim {

Kr4RelayBox::Kr4RelayBox(LineLog::Clock clock) : m_outputs(0, std::move(clock)) {}

std::string Kr4RelayBox::onByte(char byte)
{
    char first = m_pending;
    m_pending = 0;
    if (byte == '+' || byte == '-') {
        bool on = byte == '+';
        if (first == 'r') {
            m_relayMode = on;
        } else if (first >= '1' && first <= '8') {
            auto bit = static_cast<std::uint8_t>(1u << (first - '1'));
            std::uint8_t lines = m_outputs.value();
            m_outputs.set(on ? static_cast<std::uint8_t>(lines | bit)
                             : static_cast<std::uint8_t>(lines & ~bit));
        }
        return {};
    }
    if (byte == 'v')
        return std::string(kIdentification) + "\n\r";
    if (byte == 'r' || (byte >= '1' && byte <= '8'))
        m_pending = byte;
    return {};
}

} // namespace velmora::sim
