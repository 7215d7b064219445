#include "sim/simulator_ports.h"

#include "platform/ports/system_port_devices.h"
#include "platform/registry/registry.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;

void storePortsText(const char* name, const char* text)
{
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyEx(HKEY_LOCAL_MACHINE, platform::SystemPortDevices::kPortsKey, KEY_ALL_ACCESS, &key),
        ERROR_SUCCESS);
    RegSetValueEx(key, name, REG_SZ, reinterpret_cast<const BYTE*>(text),
                  static_cast<DWORD>(std::strlen(text) + 1));
    RegCloseKey(key);
}

class EnvironmentVariable {
public:
    EnvironmentVariable(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        ::setenv(name, value, 1);
    }
    ~EnvironmentVariable()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(SimulatorPorts, StoredChoiceSelectsTheSimulatedParallelPort)
{
    testing::TempHome home;
    platform::SystemPortDevices devices;
    SimulatorPorts ports(devices);
    EXPECT_FALSE(ports.simulatorMode());
    EXPECT_EQ(devices.parallelChoice(), platform::SystemPortDevices::ParallelChoice::Ppdev);

    storePortsText("Parallel", "simulator");
    auto io = devices.loadParallel(platform::kLpt1DataAddress);
    ASSERT_NE(io, nullptr);
    io->Out32(platform::kLpt1DataAddress, 0x8F);
    EXPECT_EQ(ports.parallel().port(platform::kLpt1DataAddress)->readData(), 0x8F);
    EXPECT_EQ(io->Inp32(platform::kLpt1DataAddress), 0x8F);
    EXPECT_EQ(io->Inp32(0x278), 0xFF);
    EXPECT_EQ(devices.loadParallel(0x278), nullptr);
    // The serial names keep their stored or default devices.
    EXPECT_EQ(devices.serialDevicePath("COM1"), "/dev/ttyS0");
}

TEST(SimulatorPorts, SimulatorModeMapsTheEmulatorsAndForcesTheSimulatedParallelPort)
{
    testing::TempHome home;
    EnvironmentVariable simulator("VELMORA_SIMULATOR", "1");
    platform::SystemPortDevices devices;
    storePortsText("COM1", "/dev/ttyUSB0");
    {
        auto ports = SimulatorPorts::setUp(devices);
        ASSERT_NE(ports, nullptr);
        EXPECT_TRUE(ports->simulatorMode());
        EXPECT_EQ(devices.serialDevicePath("COM1"), ports->focuserEmulator().slavePath());
        EXPECT_EQ(devices.serialDevicePath("COM2"), ports->relayBoxEmulator().slavePath());
        EXPECT_EQ(devices.parallelChoice(), platform::SystemPortDevices::ParallelChoice::Simulator);

        auto focuser = devices.openSerial("COM1");
        ASSERT_NE(focuser, nullptr);
        for (char byte : std::string("!MT\r")) {
            focuser->writeByte(static_cast<std::uint8_t>(byte));
            EXPECT_EQ(focuser->readByte(500ms), static_cast<std::uint8_t>(byte));
        }
        std::string reply;
        while (auto byte = focuser->readByte(100ms))
            reply += static_cast<char>(*byte);
        EXPECT_EQ(reply, "Off\n\r");
    }
    // Gone with the object; the stored mapping was never touched.
    EXPECT_EQ(devices.serialDevicePath("COM1"), "/dev/ttyUSB0");
    EXPECT_EQ(devices.serialDevicePath("COM2"), "/dev/ttyS1");
    EXPECT_EQ(devices.parallelChoice(), platform::SystemPortDevices::ParallelChoice::Ppdev);
    // The simulated port left with the object: a stored "simulator" choice finds none.
    storePortsText("Parallel", "simulator");
    EXPECT_EQ(devices.loadParallel(platform::kLpt1DataAddress), nullptr);
}

TEST(SimulatorPorts, WithoutTheEnvironmentNothingIsMapped)
{
    testing::TempHome home;
    EnvironmentVariable simulator("VELMORA_SIMULATOR", "0");
    EXPECT_FALSE(SimulatorPorts::requestedByEnvironment());
    platform::SystemPortDevices devices;
    auto ports = SimulatorPorts::setUp(devices);
    ASSERT_NE(ports, nullptr);
    EXPECT_FALSE(ports->simulatorMode());
    EXPECT_FALSE(ports->focuserEmulator().running());
    EXPECT_EQ(devices.serialDevicePath("COM1"), "/dev/ttyS0");
}

TEST(SimulatedParallelBackend, LoadedLibraryOutlivesTheBackend)
{
    auto backend = std::make_unique<SimulatedParallelBackend>();
    auto io = backend->load(platform::kLpt2DataAddress);
    ASSERT_NE(io, nullptr);
    io->Out32(platform::kLpt2DataAddress, 0x1A5); // only the low byte reaches the lines
    EXPECT_EQ(backend->port(platform::kLpt2DataAddress)->readData(), 0xA5);
    EXPECT_EQ(backend->port(platform::kLpt1DataAddress)->readData(), 0x00);
    backend.reset();
    io->Out32(platform::kLpt2DataAddress, 0x01);
    EXPECT_EQ(io->Inp32(platform::kLpt2DataAddress), 0x01);
}

} // namespace
} // namespace velmora::sim
