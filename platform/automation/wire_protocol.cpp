#include "platform/automation/wire_protocol.h"

#include <cstring>

namespace velmora::automation::wire {

bool isClientTag(std::uint8_t tag)
{
    return tag >= static_cast<std::uint8_t>(Tag::CreateInstance) &&
           tag <= static_cast<std::uint8_t>(Tag::MessageReply);
}

bool isServerTag(std::uint8_t tag)
{
    return tag == static_cast<std::uint8_t>(Tag::Reply) || tag == static_cast<std::uint8_t>(Tag::SendMessage);
}

bool parseHeader(const std::uint8_t* bytes, Header& header)
{
    std::uint32_t size = 0;
    std::uint16_t reserved = 0;
    std::memcpy(&size, bytes, 4);
    std::memcpy(&reserved, bytes + 6, 2);
    const std::uint8_t flags = bytes[5];
    if (size > kMaxMessageBytes || reserved != 0 || (flags & ~kFlagFd) != 0)
        return false;
    header.size = size;
    header.tag = static_cast<Tag>(bytes[4]);
    header.flags = flags;
    return true;
}

} // namespace velmora::automation::wire
