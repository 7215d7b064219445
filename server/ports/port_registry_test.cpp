// Opening, sharing, listing and identifying ports, and the parallel data register.
#include "server/ports/port_registry.h"

#include "server/ports/fake_port_devices.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

class PortRegistryTest : public ::testing::Test {
protected:
    FakePortDevices devices;
    PortRegistry registry{devices};
    int camera = 0;
    int telescope = 0;
    int focuser = 0;
};

TEST_F(PortRegistryTest, TwoOwnersShareOneSerialDeviceUntilTheLastRelease)
{
    auto line = devices.addSerial("COM3");
    PortChannel* first = registry.openPort("COM3", &camera);
    PortChannel* second = registry.openPort("COM3", &telescope);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first, second);
    EXPECT_EQ(line->openCount(), 1);
    EXPECT_EQ(first->owners, (std::vector<PortOwner>{&camera, &telescope}));
    EXPECT_TRUE(first->isSerial());
    EXPECT_FALSE(first->isParallel());

    // Opening again by an owner that already holds the port adds nothing.
    EXPECT_EQ(registry.openPort("COM3", &camera), first);
    EXPECT_EQ(first->owners.size(), 2u);

    registry.releasePort(first, &camera);
    EXPECT_EQ(first, nullptr);
    EXPECT_TRUE(line->isOpen());
    EXPECT_EQ(registry.openChannelCount(), 1u);

    registry.releasePort(second, &telescope);
    EXPECT_EQ(second, nullptr);
    EXPECT_FALSE(line->isOpen());
    EXPECT_EQ(registry.openChannelCount(), 0u);
}

TEST_F(PortRegistryTest, ReleaseByAStrangerOrOfNothingLeavesThePortOpen)
{
    auto line = devices.addSerial("COM1");
    PortChannel* channel = registry.openPort("COM1", &focuser);
    PortChannel* copy = channel;
    registry.releasePort(copy, &camera);
    EXPECT_EQ(copy, nullptr);
    EXPECT_TRUE(line->isOpen());

    PortChannel* empty = nullptr;
    registry.releasePort(empty, &focuser);
    EXPECT_TRUE(line->isOpen());

    registry.releasePort(channel, &focuser);
    EXPECT_FALSE(line->isOpen());
    // A slot still pointing at the closed channel is harmless.
    PortChannel* stale = copy;
    registry.releasePort(stale, &focuser);
    EXPECT_EQ(registry.openChannelCount(), 0u);
}

TEST_F(PortRegistryTest, PortsAreSharedByExactName)
{
    devices.addSerial("COM1");
    PortChannel* upper = registry.openPort("COM1", &camera);
    ASSERT_NE(upper, nullptr);
    // Another spelling is another port; "com1" is not a serial name at all.
    EXPECT_EQ(registry.openPort("com1", &telescope), nullptr);
    EXPECT_EQ(registry.openPort("COM9", &telescope), nullptr);
    EXPECT_EQ(registry.openPort("", &telescope), nullptr);
    EXPECT_EQ(registry.openPort("USB", &telescope), nullptr);
    EXPECT_EQ(registry.openChannelCount(), 1u);
}

TEST_F(PortRegistryTest, ParallelNamesTakeTheirDataRegisterAddress)
{
    PortChannel* lpt1 = registry.openPort("LPT1", &camera);
    PortChannel* lpt2 = registry.openPort("LPT2", &telescope);
    PortChannel* lpt3 = registry.openPort("LPT3", &focuser);
    ASSERT_TRUE(lpt1 && lpt2 && lpt3);
    EXPECT_EQ(lpt1->address, 0x378);
    EXPECT_EQ(lpt2->address, 0x778);
    EXPECT_EQ(lpt3->address, 0x778);
    EXPECT_TRUE(lpt1->isParallel());
    EXPECT_FALSE(lpt1->isSerial());
    EXPECT_EQ(devices.parallel(0x378).loadedCount(), 1);

    registry.releasePort(lpt1, &camera);
    EXPECT_EQ(devices.parallel(0x378).loadedCount(), 0);
}

TEST_F(PortRegistryTest, ParallelPortWithoutLibraryIsNotFound)
{
    devices.parallel(0x378).setLoadable(false);
    EXPECT_EQ(registry.openPort("LPT1", &camera), nullptr);
    EXPECT_EQ(registry.openChannelCount(), 0u);
}

TEST_F(PortRegistryTest, SetLinesReadModifyWritesTheDataRegister)
{
    PortChannel* lpt = registry.openPort("LPT1", &telescope);
    FakeParallelRegister& reg = devices.parallel(0x378);

    reg.setData(0x0F);
    EXPECT_TRUE(registry.setLines(lpt, 0x7F80, false));
    EXPECT_EQ(reg.data(), 0x8F);

    reg.setData(0x0F);
    EXPECT_TRUE(registry.setLines(lpt, 0x7F80, true));
    EXPECT_EQ(reg.data(), 0x0F);

    reg.setData(0xA5);
    EXPECT_TRUE(registry.setLines(lpt, 0xFF00, false));
    EXPECT_TRUE(registry.setLines(lpt, 0xFF00, true));
    EXPECT_EQ(reg.writes(), (std::vector<std::uint8_t>{0x8F, 0x0F, 0xA5, 0xA5}));
}

TEST_F(PortRegistryTest, OperationsOnMissingOrClosedChannelsFail)
{
    PortChannel* lpt = registry.openPort("LPT1", &camera);
    PortChannel* stale = lpt;
    registry.releasePort(lpt, &camera);

    char buffer[8] = "x";
    EXPECT_FALSE(registry.setLines(nullptr, 0x0000, false));
    EXPECT_FALSE(registry.setLines(stale, 0x0000, false));
    EXPECT_FALSE(registry.setBaudRate(stale, "9600"));
    EXPECT_FALSE(registry.writeEchoed(stale, std::span<char>(buffer)));
    EXPECT_FALSE(registry.readLine(stale, buffer));
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(registry.queryPortDevice(stale, "LPT1"), "Device Not Found");
    EXPECT_TRUE(devices.parallel(0x378).writes().empty());
}

TEST_F(PortRegistryTest, SerialOnlyOperationsRefuseAParallelChannel)
{
    PortChannel* lpt = registry.openPort("LPT1", &camera);
    char buffer[8] = "v";
    EXPECT_FALSE(registry.setBaudRate(lpt, "115200"));
    EXPECT_FALSE(registry.writeEchoed(lpt, std::span<char>(buffer)));
    EXPECT_FALSE(registry.readLine(lpt, buffer));
}

TEST_F(PortRegistryTest, BaudRateIsTheDecimalValueOfTheSpeedText)
{
    auto line = devices.addSerial("COM2");
    PortChannel* com = registry.openPort("COM2", &telescope);
    EXPECT_TRUE(registry.setBaudRate(com, "115200"));
    EXPECT_TRUE(registry.setBaudRate(com, "14400"));
    for (const char* bad : {"", "fast", "-9600", "0", "9600 ", "1e5", "99999999999"})
        EXPECT_FALSE(registry.setBaudRate(com, bad)) << bad;
    EXPECT_EQ(line->baudRates(), (std::vector<std::uint32_t>{115200, 14400}));

    line->refuseSpeeds(true);
    EXPECT_FALSE(registry.setBaudRate(com, "110"));
}

TEST_F(PortRegistryTest, ListsParallelPortsWhenTheLibraryLoadsOrOneIsOpen)
{
    std::vector<std::string> list{"stale"};
    registry.listPorts(list, true, false);
    EXPECT_EQ(list, (std::vector<std::string>{"LPT1", "LPT2"}));
    EXPECT_EQ(devices.parallel(0x378).loadedCount(), 0); // the probe unloads at once

    devices.parallel(0x378).setLoadable(false);
    devices.parallel(0x778).setLoadable(false);
    registry.listPorts(list, true, true);
    EXPECT_TRUE(list.empty());

    devices.parallel(0x778).setLoadable(true);
    PortChannel* lpt2 = registry.openPort("LPT2", &camera);
    devices.parallel(0x778).setLoadable(false);
    registry.listPorts(list, true, false);
    EXPECT_EQ(list, (std::vector<std::string>{"LPT1", "LPT2"}));
    registry.releasePort(lpt2, &camera);
}

TEST_F(PortRegistryTest, ListsOpenChannelsAndOpenableSerialDevicesInOrder)
{
    devices.addSerial("COM12");
    devices.addSerial("COM2");
    devices.addSerial("COM5");
    devices.addSerial("COM31"); // beyond the listed range
    PortChannel* held = registry.openPort("COM5", &focuser);
    ASSERT_NE(held, nullptr);

    std::vector<std::string> list;
    registry.listPorts(list, false, true);
    EXPECT_EQ(list, (std::vector<std::string>{"COM2", "COM5", "COM12"}));
    // Probing closed the devices it opened, and left the held one alone.
    EXPECT_FALSE(devices.addSerial("COM2")->isOpen());
    EXPECT_TRUE(devices.addSerial("COM5")->isOpen());
    EXPECT_EQ(devices.addSerial("COM5")->openCount(), 1);
}

TEST_F(PortRegistryTest, QueryNamesTheParallelPortOrTheRelayBox)
{
    EXPECT_EQ(registry.queryPortDevice(nullptr, "COM1"), "Device Not Found");
    PortChannel* lpt = registry.openPort("LPT1", &camera);
    EXPECT_EQ(registry.queryPortDevice(lpt, "LPT1"), "Connected To LPT1");

    auto line = devices.addSerial("COM2");
    line->setDevice([](char byte) {
        return byte == 'v' ? std::string("\x01"
                                         "DudAvudiZaz KR-4 v2\n\r")
                           : "";
    });
    PortChannel* com = registry.openPort("COM2", &camera);
    EXPECT_EQ(registry.queryPortDevice(com, "COM2"), "DudAvudiZaz KR-4 v2");
    EXPECT_EQ(line->takeSent(), "v");

    // The signature anywhere in the line counts; the first character is dropped.
    line->setDevice([](char) { return std::string("KR-4 DudAvudiZaz\n\r"); });
    EXPECT_EQ(registry.queryPortDevice(com, "COM2"), "R-4 DudAvudiZaz");
}

TEST_F(PortRegistryTest, QueryWithoutARelayBoxFindsNoDevice)
{
    auto line = devices.addSerial("COM2");
    PortChannel* com = registry.openPort("COM2", &camera);
    line->setDevice([](char) { return std::string("Focuser KF-3\n\r"); });
    EXPECT_EQ(registry.queryPortDevice(com, "COM2"), "Device Not Found");
    line->setDevice([](char) { return std::string("DudAvudiZaz"); }); // never ends
    EXPECT_EQ(registry.queryPortDevice(com, "COM2"), "Device Not Found");
    line->setDevice({});
    line->setEcho(false);
    EXPECT_EQ(registry.queryPortDevice(com, "COM2"), "Device Not Found");
}

} // namespace
} // namespace velmora::server
