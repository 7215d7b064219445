#include "platform/ports/system_port_devices.h"

#include "platform/ports/ppdev_parallel_backend.h"
#include "platform/ports/serial_port_name.h"
#include "platform/registry/registry.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace velmora::platform {
namespace {

void storePortsValue(const char* name, DWORD type, const std::string& bytes)
{
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_LOCAL_MACHINE, SystemPortDevices::kPortsKey, KEY_ALL_ACCESS, &key),
              ERROR_SUCCESS);
    RegSetValueEx(key, name, type, reinterpret_cast<const BYTE*>(bytes.data()),
                  static_cast<DWORD>(bytes.size()));
    RegCloseKey(key);
}

void storePortsText(const char* name, const std::string& text)
{
    storePortsValue(name, REG_SZ, std::string(text.c_str(), text.size() + 1));
}

// Records which addresses were asked for.
class RecordingBackend : public ParallelBackend {
public:
    std::unique_ptr<ParallelIo> load(std::uint16_t address) override
    {
        loads.push_back(address);
        return loadable ? std::make_unique<Io>() : nullptr;
    }
    struct Io : ParallelIo {
        std::uint16_t Inp32(std::uint16_t) override { return 0; }
        void Out32(std::uint16_t, std::uint16_t) override {}
    };
    std::vector<std::uint16_t> loads;
    bool loadable = true;
};

TEST(SerialPortName, AcceptsComWithANumber)
{
    EXPECT_EQ(serialPortNumber("COM1"), 1);
    EXPECT_EQ(serialPortNumber("COM10"), 10);
    EXPECT_EQ(serialPortNumber("COM255"), 255);
    for (const char* name : {"", "COM", "COM0", "COM01", "COM256", "COM1 ", " COM1", "com1", "COMX", "LPT1",
                             "COM99999999999999999999", "COM-1"})
        EXPECT_EQ(serialPortNumber(name), std::nullopt) << name;
    EXPECT_EQ(defaultSerialDevicePath(1), "/dev/ttyS0");
    EXPECT_EQ(defaultSerialDevicePath(12), "/dev/ttyS11");
}

TEST(SystemPortDevices, SerialNamesMapThroughTheMachineKey)
{
    testing::TempHome home;
    SystemPortDevices devices;
    EXPECT_EQ(devices.serialDevicePath("COM1"), "/dev/ttyS0");
    EXPECT_EQ(devices.serialDevicePath("COM12"), "/dev/ttyS11");
    EXPECT_EQ(devices.serialDevicePath("LPT1"), std::nullopt);

    storePortsText("COM3", "/dev/ttyUSB0");
    storePortsText("COM4", "");
    storePortsValue("COM5", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(devices.serialDevicePath("COM3"), "/dev/ttyUSB0");
    EXPECT_EQ(devices.serialDevicePath("COM4"), "/dev/ttyS3"); // empty: the default
    EXPECT_EQ(devices.serialDevicePath("COM5"), "/dev/ttyS4"); // not a text: the default

    devices.mapSerialPort("COM3", "/dev/pts/9");
    EXPECT_EQ(devices.serialDevicePath("COM3"), "/dev/pts/9");
    devices.unmapSerialPort("COM3");
    EXPECT_EQ(devices.serialDevicePath("COM3"), "/dev/ttyUSB0");
}

TEST(SystemPortDevices, OpensTheMappedDevice)
{
    testing::TempHome home;
    SystemPortDevices devices;
    int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    storePortsText("COM14", ::ptsname(master));
    auto device = devices.openSerial("COM14");
    ASSERT_NE(device, nullptr);
    EXPECT_TRUE(device->writeByte('v'));
    char byte = 0;
    EXPECT_EQ(::read(master, &byte, 1), 1);
    EXPECT_EQ(byte, 'v');
    EXPECT_EQ(devices.openSerial("COM14"), nullptr); // held exclusively
    device.reset();
    ::close(master);

    storePortsText("COM15", home.path() + "/missing");
    EXPECT_EQ(devices.openSerial("COM15"), nullptr);
    EXPECT_EQ(devices.openSerial("LPT1"), nullptr);
}

TEST(SystemPortDevices, ParallelBackendFollowsTheStoredChoice)
{
    testing::TempHome home;
    auto hardware = std::make_unique<RecordingBackend>();
    RecordingBackend* ppdev = hardware.get();
    RecordingBackend simulated;
    SystemPortDevices devices(std::move(hardware));

    EXPECT_EQ(devices.parallelChoice(), SystemPortDevices::ParallelChoice::Ppdev);
    EXPECT_NE(devices.loadParallel(kLpt1DataAddress), nullptr);
    EXPECT_EQ(ppdev->loads, (std::vector<std::uint16_t>{kLpt1DataAddress}));

    storePortsText("Parallel", "simulator");
    EXPECT_EQ(devices.parallelChoice(), SystemPortDevices::ParallelChoice::Simulator);
    EXPECT_EQ(devices.loadParallel(kLpt2DataAddress), nullptr); // no simulator attached
    devices.setSimulatorBackend(&simulated);
    EXPECT_NE(devices.loadParallel(kLpt2DataAddress), nullptr);
    EXPECT_EQ(simulated.loads, (std::vector<std::uint16_t>{kLpt2DataAddress}));

    storePortsText("Parallel", "bogus"); // not a backend: the hardware one
    EXPECT_EQ(devices.parallelChoice(), SystemPortDevices::ParallelChoice::Ppdev);
    devices.setSimulatorForced(true);
    EXPECT_EQ(devices.parallelChoice(), SystemPortDevices::ParallelChoice::Simulator);
    devices.setSimulatorForced(false);
    storePortsText("Parallel", "ppdev");
    EXPECT_EQ(devices.parallelChoice(), SystemPortDevices::ParallelChoice::Ppdev);
}

TEST(PpdevParallelBackend, MapsAddressesToPortsAndFailsWithoutThem)
{
    testing::TempHome home;
    PpdevParallelBackend backend(home.path());
    EXPECT_EQ(backend.devicePath(0x378), home.path() + "/parport0");
    EXPECT_EQ(backend.devicePath(0x778), home.path() + "/parport1");
    EXPECT_EQ(backend.devicePath(0x278), "");
    EXPECT_EQ(backend.load(0x278), nullptr);
    EXPECT_EQ(backend.load(0x378), nullptr); // no such node
    // A node that is not a parallel port refuses the claim.
    testing::writeFile(home.path() + "/parport1", "");
    EXPECT_EQ(backend.load(0x778), nullptr);
}

} // namespace
} // namespace velmora::platform
