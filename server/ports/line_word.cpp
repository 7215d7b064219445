#include "server/ports/line_word.h"

namespace velmora::server {

std::uint8_t LineWord::values(bool invert) const
{
    auto v = static_cast<std::uint8_t>(m_word & 0xFF);
    if (invert)
        return static_cast<std::uint8_t>(~(keepMask() | v) & 0xFF);
    return static_cast<std::uint8_t>(v & ~keepMask() & 0xFF);
}

std::uint8_t LineWord::applyTo(std::uint8_t current, bool invert) const
{
    return static_cast<std::uint8_t>((current & keepMask()) | values(invert));
}

} // namespace velmora::server
