#include "server/focuser/focuser_protocol.h"

#include "server/common/leading_number.h"
#include "server/focuser/focuser_commands.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <span>

namespace velmora::server {

namespace {

constexpr char kCarriageReturn = 0x0D;

std::size_t fieldWidth(std::string_view commandTemplate)
{
    return static_cast<std::size_t>(std::count(commandTemplate.begin(), commandTemplate.end(), 'x'));
}

int decimalDigits(std::uint64_t magnitude)
{
    int digits = 1;
    for (; magnitude >= 10; magnitude /= 10)
        ++digits;
    return digits;
}

} // namespace

FocuserProtocol::FocuserProtocol(PortRegistry& ports) : m_ports(ports) {}

std::string FocuserProtocol::withIndex(std::string_view commandTemplate, int index)
{
    std::string command(commandTemplate);
    std::size_t at = command.find("%d");
    if (at == std::string::npos)
        return command;
    char number[16];
    std::snprintf(number, sizeof number, "%d", index);
    return command.replace(at, 2, number);
}

bool FocuserProtocol::fitsValueField(std::string_view commandTemplate, std::int64_t value)
{
    std::size_t width = fieldWidth(commandTemplate);
    if (width == 0)
        return true;
    std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::size_t room = value < 0 ? width - 1 : width;
    return static_cast<std::size_t>(decimalDigits(magnitude)) <= room;
}

bool FocuserProtocol::load(std::string_view command)
{
    // The command, its CR and the terminating zero must fit the buffer.
    if (command.size() + 2 > m_replyBuffer.size()) {
        m_replyBuffer[0] = 0;
        return false;
    }
    std::copy(command.begin(), command.end(), m_replyBuffer.begin());
    m_replyBuffer[command.size()] = kCarriageReturn;
    m_replyBuffer[command.size() + 1] = 0;
    return true;
}

bool FocuserProtocol::exchange(PortChannel* channel)
{
    return m_ports.writeAndReadLine(channel, std::span<char>(m_replyBuffer));
}

bool FocuserProtocol::queryValue(PortChannel* channel, std::string_view command, std::int32_t& value)
{
    if (!load(command) || !exchange(channel) || replyContains(kf3::kRefused))
        return false;
    const std::optional<std::int32_t> number = leadingInteger(m_replyBuffer.data());
    if (!number)
        return false;
    value = *number;
    return true;
}

bool FocuserProtocol::sendValue(PortChannel* channel, std::string_view commandTemplate, std::int32_t value)
{
    if (!fitsValueField(commandTemplate, value) || !load(commandTemplate))
        return false;
    std::size_t first = commandTemplate.find('x');
    if (first != std::string_view::npos) {
        std::size_t end = commandTemplate.size(); // the CR
        std::fill(m_replyBuffer.begin() + first, m_replyBuffer.begin() + end, '0');
        if (value < 0)
            m_replyBuffer[first] = '-';
        std::uint64_t magnitude =
            value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
        for (std::size_t at = end; magnitude > 0; magnitude /= 10)
            m_replyBuffer[--at] = static_cast<char>('0' + magnitude % 10);
    }
    return exchange(channel) && replyContains(kf3::kWriteAccepted);
}

std::string FocuserProtocol::deviceCheck(PortChannel* channel)
{
    std::int32_t position = 0;
    return queryValue(channel, kf3::kReadPosition, position) ? kDeviceText : PortRegistry::kDeviceNotFound;
}

std::string_view FocuserProtocol::reply() const
{
    return std::string_view(m_replyBuffer.data(), ::strnlen(m_replyBuffer.data(), m_replyBuffer.size()));
}

bool FocuserProtocol::replyContains(std::string_view text) const
{
    return reply().find(text) != std::string_view::npos;
}

} // namespace velmora::server
