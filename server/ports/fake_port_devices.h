#pragma once
// In-memory ports for tests of the port layer and of the drivers above it: serial
// lines that record every byte the host sends and echo it like the KR-4 and KF-3 do,
// with an optional device behind them, and parallel data registers.

#include "platform/ports/port_devices.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace velmora::server {

class FakeSerialLine {
public:
    // Answers a byte the host sent (after its echo); empty for no answer.
    using Device = std::function<std::string(char byte)>;

    void setDevice(Device device);
    // Bytes waiting for the host.
    void feed(std::string_view bytes);
    void setEcho(bool echo);
    // The echo of the byte with this index in sent() is lost.
    void dropEchoOfByte(int index);
    void refuseSpeeds(bool refuse);
    // Runs before every read of a byte (a test advances its clock there, as a slow
    // line would).
    void setReadHook(std::function<void()> hook);
    // Runs when a read finds no byte, with the time-out the reader would have waited
    // on a real line (a test's clock moves by it).
    void setTimeoutHook(std::function<void(std::chrono::milliseconds)> hook);

    std::string sent() const;
    std::string takeSent();
    std::vector<std::uint32_t> baudRates() const;
    std::size_t pending() const;
    bool isOpen() const;
    int openCount() const;

    // Used by the fake device.
    bool open();
    void close();
    bool configure(std::uint32_t baudRate);
    void write(char byte);
    // The next byte; none (after the time-out hook) when nothing is waiting.
    std::optional<char> read(std::chrono::milliseconds timeout);

private:
    mutable std::mutex m_mutex;
    Device m_device;
    std::function<void()> m_readHook;
    std::function<void(std::chrono::milliseconds)> m_timeoutHook;
    std::string m_sent;
    std::deque<char> m_incoming;
    std::vector<std::uint32_t> m_baudRates;
    bool m_echo = true;
    int m_dropEchoOfByte = -1;
    bool m_refuseSpeeds = false;
    bool m_open = false;
    int m_openCount = 0;
};

class FakeParallelRegister {
public:
    std::uint8_t data() const;
    void setData(std::uint8_t value);
    // Every Out32 value, in order.
    std::vector<std::uint8_t> writes() const;
    void setLoadable(bool loadable);
    bool loadable() const;
    int loadedCount() const;

    // Used by the fake library.
    void attach(int delta);
    void write(std::uint8_t value);

private:
    mutable std::mutex m_mutex;
    std::uint8_t m_data = 0;
    std::vector<std::uint8_t> m_writes;
    bool m_loadable = true;
    int m_loaded = 0;
};

class FakePortDevices : public platform::PortDevices {
public:
    // A serial line that openSerial(name) reaches; the same line on every call.
    std::shared_ptr<FakeSerialLine> addSerial(const std::string& name);
    // The register at 0x378 or 0x778 (created on first use).
    FakeParallelRegister& parallel(std::uint16_t address);

    std::unique_ptr<platform::ParallelIo> loadParallel(std::uint16_t address) override;
    std::unique_ptr<platform::SerialDevice> openSerial(const std::string& name) override;

private:
    std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<FakeSerialLine>> m_serial;
    std::map<std::uint16_t, std::unique_ptr<FakeParallelRegister>> m_parallel;
};

} // namespace velmora::server
