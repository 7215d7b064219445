#include "server/ports/port_registry.h"

#include "server/ports/line_word.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>

namespace velmora::server {

namespace {

constexpr char kLineFeed = 0x0A;
constexpr char kCarriageReturn = 0x0D;
// Bytes of an over-long reply skipped while looking for its end (within the read's
// deadline), so that the next exchange does not start inside it.
constexpr int kSkipLimit = 4096;

bool contains(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

// The decimal value of a speed text made only of digits; none for anything else.
std::optional<std::uint32_t> parseSpeed(const std::string& speed)
{
    if (speed.empty() || speed.size() > 10)
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : speed) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value == 0 || value > std::numeric_limits<std::uint32_t>::max())
        return std::nullopt;
    return static_cast<std::uint32_t>(value);
}

} // namespace

PortRegistry::PortRegistry(platform::PortDevices& devices, std::chrono::milliseconds byteTimeout, Now now)
    : m_devices(devices), m_byteTimeout(byteTimeout), m_now(now)
{
}

PortRegistry::Clock::time_point PortRegistry::defaultDeadline() const
{
    return m_now() + kOperationLimit;
}

std::optional<std::uint8_t> PortRegistry::readByteBefore(PortChannel& channel, Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - m_now());
    if (left.count() <= 0)
        return std::nullopt;
    return channel.serial->readByte(std::min(left, m_byteTimeout));
}

PortRegistry::~PortRegistry() = default;

bool PortRegistry::isOpen(const PortChannel* channel) const
{
    return channel && std::any_of(m_channels.begin(), m_channels.end(),
                                  [channel](const auto& open) { return open.get() == channel; });
}

PortChannel* PortRegistry::findByName(const std::string& name) const
{
    for (const auto& channel : m_channels) {
        if (channel->name == name)
            return channel.get();
    }
    return nullptr;
}

PortChannel* PortRegistry::addChannel(std::unique_ptr<PortChannel> channel)
{
    m_channels.push_back(std::move(channel));
    return m_channels.back().get();
}

PortChannel* PortRegistry::openPort(const std::string& name, PortOwner owner)
{
    std::lock_guard lock(m_mutex);
    if (PortChannel* open = findByName(name)) {
        if (std::find(open->owners.begin(), open->owners.end(), owner) == open->owners.end())
            open->owners.push_back(owner);
        return open;
    }
    auto channel = std::make_unique<PortChannel>();
    channel->owners.push_back(owner);
    channel->name = name;
    if (contains(name, "LPT")) {
        channel->address = name == "LPT1" ? platform::kLpt1DataAddress : platform::kLpt2DataAddress;
        channel->library = m_devices.loadParallel(channel->address);
        if (channel->library)
            return addChannel(std::move(channel));
        channel->address = 0;
    }
    if (contains(name, "COM")) {
        channel->serial = m_devices.openSerial(name);
        if (channel->serial)
            return addChannel(std::move(channel));
    }
    return nullptr;
}

void PortRegistry::releasePort(PortChannel*& channel, PortOwner owner)
{
    std::lock_guard lock(m_mutex);
    PortChannel* released = channel;
    channel = nullptr;
    if (!isOpen(released))
        return;
    auto& owners = released->owners;
    owners.erase(std::remove(owners.begin(), owners.end(), owner), owners.end());
    if (!owners.empty())
        return;
    // Destroying the channel closes its device and unloads its library.
    m_channels.erase(std::find_if(m_channels.begin(), m_channels.end(),
                                  [released](const auto& open) { return open.get() == released; }));
}

bool PortRegistry::setBaudRate(PortChannel* channel, const std::string& speed)
{
    std::lock_guard lock(m_mutex);
    if (!isOpen(channel) || !channel->isSerial())
        return false;
    std::optional<std::uint32_t> baudRate = parseSpeed(speed);
    return baudRate && channel->serial->configure(*baudRate);
}

bool PortRegistry::setLines(PortChannel* channel, std::uint16_t word, bool invert)
{
    std::lock_guard lock(m_mutex);
    if (!isOpen(channel))
        return false;
    if (channel->isParallel()) {
        auto current = static_cast<std::uint8_t>(channel->library->Inp32(channel->address) & 0xFF);
        channel->library->Out32(channel->address, LineWord(word).applyTo(current, invert));
        return true;
    }
    if (channel->isSerial())
        return setRelayOutputs(*channel, word, invert);
    return false;
}

bool PortRegistry::setRelayOutputs(PortChannel& channel, std::uint16_t word, bool invert)
{
    LineWord lines(word);
    std::uint8_t values = lines.values(invert);
    for (int output = 1; output <= 8; ++output) {
        int bit = output - 1;
        if (lines.keeps(bit))
            continue;
        char command[3] = {static_cast<char>('0' + output), (values >> bit) & 1 ? '+' : '-', 0};
        if (!writeEchoedLocked(channel, command, defaultDeadline()))
            return false;
    }
    return true;
}

bool PortRegistry::writeEchoed(PortChannel* channel, std::span<char> text)
{
    std::lock_guard lock(m_mutex);
    return isOpen(channel) && channel->isSerial() && writeEchoedLocked(*channel, text, defaultDeadline());
}

bool PortRegistry::writeEchoed(PortChannel* channel, std::string_view text)
{
    std::vector<char> copy(text.begin(), text.end());
    return writeEchoed(channel, std::span<char>(copy));
}

void PortRegistry::discardStaleInput(PortChannel& channel, Clock::time_point deadline)
{
    for (int skipped = 0; skipped < kSkipLimit && m_now() < deadline; ++skipped) {
        if (!channel.serial->readByte(std::chrono::milliseconds(0)))
            return;
    }
}

bool PortRegistry::writeEchoedLocked(PortChannel& channel, std::span<char> text, Clock::time_point deadline)
{
    // Bytes left over from an exchange that failed would be taken for the echoes.
    discardStaleInput(channel, deadline);
    for (char& byte : text) {
        if (byte == 0)
            break;
        if (!channel.serial->writeByte(static_cast<std::uint8_t>(byte)))
            return false;
        std::optional<std::uint8_t> echo = readByteBefore(channel, deadline);
        if (!echo)
            return false;
        const char sent = byte;
        byte = static_cast<char>(*echo);
        if (byte != sent)
            return false; // whatever answers is not a device that understood the byte
    }
    return true;
}

bool PortRegistry::readLine(PortChannel* channel, std::span<char> buffer)
{
    std::lock_guard lock(m_mutex);
    if (!isOpen(channel) || !channel->isSerial()) {
        if (!buffer.empty())
            buffer[0] = 0;
        return false;
    }
    return readLineLocked(*channel, buffer, defaultDeadline());
}

bool PortRegistry::readLineLocked(PortChannel& channel, std::span<char> buffer, Clock::time_point deadline)
{
    std::size_t held = 0;
    for (;;) {
        if (held >= 2 && buffer[held - 2] == kLineFeed && buffer[held - 1] == kCarriageReturn) {
            buffer[held - 2] = 0;
            return true;
        }
        if (held == buffer.size()) {
            // Too long for the caller's buffer: a failed read. Skip the rest of the line so
            // the next exchange does not start inside it.
            if (held > 0) {
                skipRestOfLine(channel, buffer[held - 1], deadline);
                buffer[held - 1] = 0;
            }
            return false;
        }
        std::optional<std::uint8_t> byte = readByteBefore(channel, deadline);
        if (!byte) {
            buffer[held] = 0;
            return false;
        }
        buffer[held++] = static_cast<char>(*byte);
    }
}

void PortRegistry::skipRestOfLine(PortChannel& channel, char previous, Clock::time_point deadline)
{
    for (int skipped = 0; skipped < kSkipLimit; ++skipped) {
        std::optional<std::uint8_t> byte = readByteBefore(channel, deadline);
        if (!byte || (previous == kLineFeed && *byte == kCarriageReturn))
            return;
        previous = static_cast<char>(*byte);
    }
}

bool PortRegistry::writeAndReadLine(PortChannel* channel, std::span<char> buffer)
{
    std::lock_guard lock(m_mutex);
    if (!isOpen(channel) || !channel->isSerial()) {
        if (!buffer.empty())
            buffer[0] = 0;
        return false;
    }
    return writeEchoedLocked(*channel, buffer, defaultDeadline()) &&
           readLineLocked(*channel, buffer, defaultDeadline());
}

bool PortRegistry::parallelLibraryLoads()
{
    return m_devices.loadParallel(platform::kLpt1DataAddress) != nullptr ||
           m_devices.loadParallel(platform::kLpt2DataAddress) != nullptr;
}

void PortRegistry::listPorts(std::vector<std::string>& list, bool parallel, bool serial)
{
    std::lock_guard lock(m_mutex);
    list.clear();
    if (parallel && (findByName("LPT1") || findByName("LPT2") || parallelLibraryLoads())) {
        list.push_back("LPT1");
        list.push_back("LPT2");
    }
    if (!serial)
        return;
    for (int n = 1; n <= kListedSerialPorts; ++n) {
        char name[16];
        std::snprintf(name, sizeof name, "COM%d", n);
        if (findByName(name) || m_devices.openSerial(name))
            list.push_back(name);
    }
}

std::string PortRegistry::queryPortDevice(PortChannel* channel, const std::string& portName)
{
    std::lock_guard lock(m_mutex);
    if (!isOpen(channel))
        return kDeviceNotFound;
    if (contains(portName, "LPT"))
        return kConnectedTo + portName;
    if (!channel->isSerial())
        return kDeviceNotFound;
    char reply[kReplyBufferSize] = "v";
    if (!writeEchoedLocked(*channel, reply, defaultDeadline()) ||
        !readLineLocked(*channel, reply, defaultDeadline()))
        return kDeviceNotFound;
    std::string text(reply);
    if (!contains(text, kRelayBoxSignature))
        return kDeviceNotFound;
    return text.substr(1);
}

std::size_t PortRegistry::openChannelCount() const
{
    std::lock_guard lock(m_mutex);
    return m_channels.size();
}

} // namespace velmora::server
