#include "server/ports/fake_port_devices.h"

namespace velmora::server {

namespace {

class FakeSerialDevice : public platform::SerialDevice {
public:
    explicit FakeSerialDevice(std::shared_ptr<FakeSerialLine> line) : m_line(std::move(line)) {}
    ~FakeSerialDevice() override { m_line->close(); }
    FakeSerialDevice(const FakeSerialDevice&) = delete;
    FakeSerialDevice& operator=(const FakeSerialDevice&) = delete;

    bool configure(std::uint32_t baudRate) override { return m_line->configure(baudRate); }
    bool writeByte(std::uint8_t byte) override
    {
        m_line->write(static_cast<char>(byte));
        return true;
    }
    // Nothing arrives later on a fake line: a missing byte times out at once.
    std::optional<std::uint8_t> readByte(std::chrono::milliseconds timeout) override
    {
        std::optional<char> byte = m_line->read(timeout);
        if (!byte)
            return std::nullopt;
        return static_cast<std::uint8_t>(*byte);
    }

private:
    std::shared_ptr<FakeSerialLine> m_line;
};

class FakeParallelIo : public platform::ParallelIo {
public:
    FakeParallelIo(FakePortDevices& devices, std::uint16_t address) : m_devices(devices), m_address(address)
    {
        m_devices.parallel(m_address).attach(1);
    }
    ~FakeParallelIo() override { m_devices.parallel(m_address).attach(-1); }
    FakeParallelIo(const FakeParallelIo&) = delete;
    FakeParallelIo& operator=(const FakeParallelIo&) = delete;

    std::uint16_t Inp32(std::uint16_t address) override { return m_devices.parallel(address).data(); }
    void Out32(std::uint16_t address, std::uint16_t value) override
    {
        m_devices.parallel(address).write(static_cast<std::uint8_t>(value & 0xFF));
    }

private:
    FakePortDevices& m_devices;
    std::uint16_t m_address;
};

} // namespace

void FakeSerialLine::setDevice(Device device)
{
    std::lock_guard lock(m_mutex);
    m_device = std::move(device);
}

void FakeSerialLine::feed(std::string_view bytes)
{
    std::lock_guard lock(m_mutex);
    m_incoming.insert(m_incoming.end(), bytes.begin(), bytes.end());
}

void FakeSerialLine::setEcho(bool echo)
{
    std::lock_guard lock(m_mutex);
    m_echo = echo;
}

void FakeSerialLine::dropEchoOfByte(int index)
{
    std::lock_guard lock(m_mutex);
    m_dropEchoOfByte = index;
}

void FakeSerialLine::refuseSpeeds(bool refuse)
{
    std::lock_guard lock(m_mutex);
    m_refuseSpeeds = refuse;
}

std::string FakeSerialLine::sent() const
{
    std::lock_guard lock(m_mutex);
    return m_sent;
}

std::string FakeSerialLine::takeSent()
{
    std::lock_guard lock(m_mutex);
    std::string sent;
    sent.swap(m_sent);
    return sent;
}

std::vector<std::uint32_t> FakeSerialLine::baudRates() const
{
    std::lock_guard lock(m_mutex);
    return m_baudRates;
}

std::size_t FakeSerialLine::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_incoming.size();
}

bool FakeSerialLine::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_open;
}

int FakeSerialLine::openCount() const
{
    std::lock_guard lock(m_mutex);
    return m_openCount;
}

bool FakeSerialLine::open()
{
    std::lock_guard lock(m_mutex);
    if (m_open)
        return false; // exclusive, like the real device
    m_open = true;
    ++m_openCount;
    return true;
}

void FakeSerialLine::close()
{
    std::lock_guard lock(m_mutex);
    m_open = false;
}

bool FakeSerialLine::configure(std::uint32_t baudRate)
{
    std::lock_guard lock(m_mutex);
    m_baudRates.push_back(baudRate);
    return !m_refuseSpeeds;
}

void FakeSerialLine::write(char byte)
{
    std::lock_guard lock(m_mutex);
    int index = static_cast<int>(m_sent.size());
    m_sent += byte;
    std::string reply = m_device ? m_device(byte) : std::string();
    if (m_echo && index != m_dropEchoOfByte)
        m_incoming.push_back(byte);
    m_incoming.insert(m_incoming.end(), reply.begin(), reply.end());
}

void FakeSerialLine::setReadHook(std::function<void()> hook)
{
    std::lock_guard lock(m_mutex);
    m_readHook = std::move(hook);
}

void FakeSerialLine::setTimeoutHook(std::function<void(std::chrono::milliseconds)> hook)
{
    std::lock_guard lock(m_mutex);
    m_timeoutHook = std::move(hook);
}

std::optional<char> FakeSerialLine::read(std::chrono::milliseconds timeout)
{
    std::function<void()> readHook;
    std::function<void(std::chrono::milliseconds)> timeoutHook;
    {
        std::lock_guard lock(m_mutex);
        readHook = m_readHook;
        timeoutHook = m_timeoutHook;
    }
    if (readHook)
        readHook();
    {
        std::lock_guard lock(m_mutex);
        if (!m_incoming.empty()) {
            char byte = m_incoming.front();
            m_incoming.pop_front();
            return byte;
        }
    }
    if (timeoutHook)
        timeoutHook(timeout);
    return std::nullopt;
}

std::uint8_t FakeParallelRegister::data() const
{
    std::lock_guard lock(m_mutex);
    return m_data;
}

void FakeParallelRegister::setData(std::uint8_t value)
{
    std::lock_guard lock(m_mutex);
    m_data = value;
}

std::vector<std::uint8_t> FakeParallelRegister::writes() const
{
    std::lock_guard lock(m_mutex);
    return m_writes;
}

void FakeParallelRegister::setLoadable(bool loadable)
{
    std::lock_guard lock(m_mutex);
    m_loadable = loadable;
}

bool FakeParallelRegister::loadable() const
{
    std::lock_guard lock(m_mutex);
    return m_loadable;
}

int FakeParallelRegister::loadedCount() const
{
    std::lock_guard lock(m_mutex);
    return m_loaded;
}

void FakeParallelRegister::attach(int delta)
{
    std::lock_guard lock(m_mutex);
    m_loaded += delta;
}

void FakeParallelRegister::write(std::uint8_t value)
{
    std::lock_guard lock(m_mutex);
    m_data = value;
    m_writes.push_back(value);
}

std::shared_ptr<FakeSerialLine> FakePortDevices::addSerial(const std::string& name)
{
    std::lock_guard lock(m_mutex);
    auto& line = m_serial[name];
    if (!line)
        line = std::make_shared<FakeSerialLine>();
    return line;
}

FakeParallelRegister& FakePortDevices::parallel(std::uint16_t address)
{
    std::lock_guard lock(m_mutex);
    auto& reg = m_parallel[address];
    if (!reg)
        reg = std::make_unique<FakeParallelRegister>();
    return *reg;
}

std::unique_ptr<platform::ParallelIo> FakePortDevices::loadParallel(std::uint16_t address)
{
    if (!parallel(address).loadable())
        return nullptr;
    return std::make_unique<FakeParallelIo>(*this, address);
}

std::unique_ptr<platform::SerialDevice> FakePortDevices::openSerial(const std::string& name)
{
    std::shared_ptr<FakeSerialLine> line;
    {
        std::lock_guard lock(m_mutex);
        auto found = m_serial.find(name);
        if (found == m_serial.end())
            return nullptr;
        line = found->second;
    }
    if (!line->open())
        return nullptr;
    return std::make_unique<FakeSerialDevice>(line);
}

} // namespace velmora::server
