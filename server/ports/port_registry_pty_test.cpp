// The port layer end to end: termios devices on pseudo-terminals, with the relay-box
// and focuser-controller emulators on the far side.
#include "server/ports/port_registry.h"

#include "platform/ports/system_port_devices.h"
#include "platform/ports/termios_serial_device.h"
#include "sim/kf3_controller.h"
#include "sim/kr4_relay_box.h"
#include "sim/pty_emulator.h"
#include "sim/simulator_ports.h"
#include "testing/temp_home.h"

#include <cstdlib>

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class PtyPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(emulator.start());
        devices.mapSerialPort("COM2", emulator.slavePath());
        channel = registry.openPort("COM2", &telescope);
        ASSERT_NE(channel, nullptr);
        ASSERT_TRUE(registry.setBaudRate(channel, "115200"));
    }

    testing::TempHome home;
    platform::SystemPortDevices devices;
    sim::Kr4RelayBox box;
    sim::PtyEmulator emulator{box};
    PortRegistry registry{devices};
    PortChannel* channel = nullptr;
    int telescope = 0;
    int camera = 0;
};

TEST_F(PtyPortTest, SharedDeviceStaysOpenUntilTheLastOwnerReleasesIt)
{
    PortChannel* second = registry.openPort("COM2", &camera);
    EXPECT_EQ(second, channel);
    // The device is held exclusively: nobody else can open it while the channel lives.
    EXPECT_EQ(platform::TermiosSerialDevice::open(emulator.slavePath()), nullptr);

    registry.releasePort(channel, &telescope);
    EXPECT_EQ(platform::TermiosSerialDevice::open(emulator.slavePath()), nullptr);
    EXPECT_EQ(registry.queryPortDevice(second, "COM2"), "DudAvudiZaz KR-4 Relay Box 1.02");

    registry.releasePort(second, &camera);
    EXPECT_NE(platform::TermiosSerialDevice::open(emulator.slavePath()), nullptr);
}

TEST_F(PtyPortTest, RelayBoxOutputsFollowSetLines)
{
    EXPECT_TRUE(registry.setLines(channel, 0x00FF, false));
    EXPECT_EQ(box.outputs(), 0xFF);
    EXPECT_EQ(emulator.takeReceived(), "1+2+3+4+5+6+7+8+");

    EXPECT_TRUE(registry.setLines(channel, 0x3F00, false));
    EXPECT_EQ(emulator.takeReceived(), "7-8-");
    EXPECT_EQ(box.outputs(), 0x3F);

    EXPECT_TRUE(registry.setLines(channel, 0x3F00, true));
    EXPECT_EQ(emulator.takeReceived(), "7+8+");
    EXPECT_EQ(box.outputs(), 0xFF);

    std::size_t before = emulator.receivedCount();
    EXPECT_TRUE(registry.setLines(channel, 0xFF00, false));
    EXPECT_TRUE(registry.setLines(channel, 0xFF00, true));
    EXPECT_EQ(emulator.receivedCount(), before);

    EXPECT_TRUE(registry.writeEchoed(channel, std::string_view("r+")));
    EXPECT_TRUE(box.relayMode());
}

TEST_F(PtyPortTest, IdentificationAndLineEndings)
{
    EXPECT_EQ(registry.queryPortDevice(channel, "COM2"), "DudAvudiZaz KR-4 Relay Box 1.02");

    char buffer[PortRegistry::kReplyBufferSize];
    ASSERT_TRUE(emulator.inject("abc\r\ndef\n\r"));
    EXPECT_TRUE(registry.readLine(channel, buffer));
    EXPECT_STREQ(buffer, "abc\r\ndef");

    // CR LF alone does not end the read: it waits for LF CR until the byte time-out.
    ASSERT_TRUE(emulator.inject("Ok\r\n"));
    auto start = Clock::now();
    EXPECT_FALSE(registry.readLine(channel, buffer));
    EXPECT_GE(Clock::now() - start, 90ms);
}

TEST_F(PtyPortTest, MissingEchoFailsWithinTheByteTimeoutAndStopsTheOutputs)
{
    sim::EmulatorFaults faults;
    faults.dropEchoOfByte = 1; // the "-" of output 1
    emulator.setFaults(faults);
    auto start = Clock::now();
    EXPECT_FALSE(registry.setLines(channel, 0x0000, false));
    auto elapsed = Clock::now() - start;
    EXPECT_GE(elapsed, 90ms);
    EXPECT_LT(elapsed, 400ms);
    EXPECT_EQ(emulator.takeReceived(), "1-");
}

TEST_F(PtyPortTest, FaultyRepliesFindNoDevice)
{
    char buffer[PortRegistry::kReplyBufferSize];
    sim::EmulatorFaults overlong;
    overlong.overlongReplies = true;
    emulator.setFaults(overlong);
    EXPECT_EQ(registry.queryPortDevice(channel, "COM2"), "Device Not Found");
    ASSERT_TRUE(emulator.inject(std::string(300, 'x') + "\n\r"));
    EXPECT_FALSE(registry.readLine(channel, buffer));

    sim::EmulatorFaults garbage;
    garbage.garbageReplies = true;
    emulator.setFaults(garbage);
    EXPECT_EQ(registry.queryPortDevice(channel, "COM2"), "Device Not Found");

    sim::EmulatorFaults late;
    late.replyDelay = 250ms;
    emulator.setFaults(late);
    EXPECT_EQ(registry.queryPortDevice(channel, "COM2"), "Device Not Found");
    // The third reply of this test (after the over-long and the garbage ones) is the
    // late line: once it is out, it is read and dropped.
    ASSERT_TRUE(emulator.waitForRepliesSent(3, 5s));
    EXPECT_TRUE(registry.readLine(channel, buffer));

    sim::EmulatorFaults silent;
    silent.silent = true;
    emulator.setFaults(silent);
    EXPECT_EQ(registry.queryPortDevice(channel, "COM2"), "Device Not Found");

    // A sound device afterwards is found again: no failed exchange left bytes behind.
    emulator.setFaults({});
    EXPECT_EQ(registry.queryPortDevice(channel, "COM2"), "DudAvudiZaz KR-4 Relay Box 1.02");
}

TEST_F(PtyPortTest, ListsOpenChannelsAndOpenableDevices)
{
    sim::Kf3Controller controller;
    sim::PtyEmulator focuser(controller);
    ASSERT_TRUE(focuser.start());
    devices.mapSerialPort("COM11", focuser.slavePath());
    for (int n = 1; n <= 30; ++n) {
        std::string name = "COM" + std::to_string(n);
        if (name != "COM2" && name != "COM11")
            devices.mapSerialPort(name, home.path() + "/no-such-device");
    }
    std::vector<std::string> list;
    registry.listPorts(list, false, true);
    EXPECT_EQ(list, (std::vector<std::string>{"COM2", "COM11"}));

    // The probe closed COM11 again: it can be opened and spoken to.
    PortChannel* com11 = registry.openPort("COM11", &camera);
    ASSERT_NE(com11, nullptr);
    char command[16] = "!MrP\r";
    char reply[PortRegistry::kReplyBufferSize];
    EXPECT_TRUE(registry.writeEchoed(com11, std::span<char>(command)));
    EXPECT_TRUE(registry.readLine(com11, reply));
    EXPECT_STREQ(reply, "0");
}

TEST(SimulatorMode, EveryDefaultPortWorksWithoutHardware)
{
    testing::TempHome home;
    ::setenv("VELMORA_SIMULATOR", "1", 1);
    platform::SystemPortDevices devices;
    auto simulator = sim::SimulatorPorts::setUp(devices);
    ::unsetenv("VELMORA_SIMULATOR");
    ASSERT_NE(simulator, nullptr);
    PortRegistry registry(devices);
    int camera = 0, telescope = 0, focuser = 0;

    // Camera and telescope default to "LPT1": one channel on the simulated register.
    PortChannel* lpt = registry.openPort("LPT1", &camera);
    ASSERT_NE(lpt, nullptr);
    PortChannel* telescopeLpt = registry.openPort("LPT1", &telescope);
    EXPECT_EQ(telescopeLpt, lpt);
    EXPECT_EQ(registry.queryPortDevice(lpt, "LPT1"), "Connected To LPT1");
    EXPECT_TRUE(registry.setLines(lpt, 0xF00F, false));
    EXPECT_TRUE(registry.setLines(lpt, 0x7F80, false));
    const sim::LineLog& lines = simulator->parallel().port(platform::kLpt1DataAddress)->dataLines();
    EXPECT_EQ(lines.value(), 0x8F);
    ASSERT_EQ(lines.changes().size(), 2u);
    EXPECT_LE(lines.changes()[0].time, lines.changes()[1].time);

    // The focuser's default "COM1" answers the device check.
    PortChannel* com1 = registry.openPort("COM1", &focuser);
    ASSERT_NE(com1, nullptr);
    EXPECT_TRUE(registry.setBaudRate(com1, "115200"));
    char command[16] = "!MrP\r";
    char reply[PortRegistry::kReplyBufferSize];
    EXPECT_TRUE(registry.writeEchoed(com1, std::span<char>(command)));
    EXPECT_TRUE(registry.readLine(com1, reply));
    EXPECT_STREQ(reply, "0");

    // The relay box on "COM2" identifies itself and drives its outputs.
    PortChannel* com2 = registry.openPort("COM2", &telescope);
    ASSERT_NE(com2, nullptr);
    EXPECT_EQ(registry.queryPortDevice(com2, "COM2"), "DudAvudiZaz KR-4 Relay Box 1.02");
    EXPECT_TRUE(registry.setLines(com2, 0x7F80, false));
    EXPECT_EQ(simulator->relayBox().outputs(), 0x80);

    registry.releasePort(com2, &telescope);
    registry.releasePort(com1, &focuser);
    registry.releasePort(lpt, &camera);
    EXPECT_EQ(registry.openChannelCount(), 1u);
    registry.releasePort(telescopeLpt, &telescope);
    EXPECT_EQ(registry.openChannelCount(), 0u);
}

} // namespace
} // namespace velmora::server
