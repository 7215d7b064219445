// The KF-3 exchange byte for byte on a fake line: command forming, value fields,
// reply judging, and the device check.
#include "server/focuser/focuser_protocol.h"

#include "platform/ports/system_port_devices.h"
#include "server/focuser/focuser_commands.h"
#include "server/ports/fake_port_devices.h"
#include "sim/kf3_controller.h"
#include "sim/pty_emulator.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <atomic>
#include <limits>
#include <thread>

namespace velmora::server {
namespace {

class FocuserProtocolTest : public ::testing::Test {
protected:
    FocuserProtocolTest()
    {
        line->setDevice([this](char byte) { return controller.onByte(byte); });
        channel = ports.openPort("COM1", &owner);
    }
    ~FocuserProtocolTest() override { ports.releasePort(channel, &owner); }

    // A device that answers every command line with `reply`.
    void answerEveryCommandWith(std::string reply)
    {
        line->setDevice([reply](char byte) { return byte == '\r' ? reply : std::string(); });
    }

    FakePortDevices devices;
    std::shared_ptr<FakeSerialLine> line = devices.addSerial("COM1");
    PortRegistry ports{devices};
    sim::Kf3Controller controller;
    FocuserProtocol protocol{ports};
    PortChannel* channel = nullptr;
    int owner = 0;
};

TEST_F(FocuserProtocolTest, CommandsGoOutWithTheirCarriageReturnAndReadsGiveTheLeadingNumber)
{
    std::int32_t value = -1;
    EXPECT_TRUE(protocol.sendValue(channel, kf3::kHalt, 0));
    EXPECT_EQ(line->takeSent(), "!MS\r");
    EXPECT_EQ(protocol.reply(), "Ok");
    EXPECT_TRUE(protocol.queryValue(channel, kf3::kReadPosition, value));
    EXPECT_EQ(line->takeSent(), "!MrP\r");
    EXPECT_EQ(value, 0);

    sim::Kf3Parameters parameters;
    parameters.endMin = -2500;
    controller.setParameters(parameters);
    EXPECT_TRUE(protocol.queryValue(channel, kf3::kEndMin.read, value));
    EXPECT_EQ(value, -2500);
    EXPECT_TRUE(protocol.queryValue(channel, FocuserProtocol::withIndex(kf3::kSpeedPulse.read, 2), value));
    EXPECT_EQ(line->takeSent(), "!ErSl\r!Lr2S\r");
}

TEST_F(FocuserProtocolTest, ValuesAreRightAlignedAndZeroPaddedInTheirField)
{
    struct Case {
        std::string command;
        std::int32_t value;
        const char* sent;
    } cases[] = {
        {kf3::kStepPulse.write, 250, "!TwSp00250\r"},
        {kf3::kEndMin.write, -1000, "!EwSl-001000\r"},
        {FocuserProtocol::withIndex(kf3::kMoveTo, 2), 12345, "!Mg2P0012345\r"},
        {kf3::kEndSwitchMode.write, 3, "!EwM3\r"},
        {kf3::kStopCurrent.write, 0, "!PwS000\r"},
        {kf3::kStepNumber.write, 99, "!TwSt99\r"},
        {FocuserProtocol::withIndex(kf3::kCellValue.write, 8), -999999, "!Cw8-999999\r"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(protocol.sendValue(channel, c.command, c.value)) << c.sent;
        EXPECT_EQ(line->takeSent(), c.sent);
    }
    sim::Kf3Parameters written = controller.parameters();
    EXPECT_EQ(written.stepPulse, 250);
    EXPECT_EQ(written.endMin, -1000);
    EXPECT_EQ(written.endSwitchMode, 3);
    EXPECT_EQ(written.cells[8], -999999);
}

TEST_F(FocuserProtocolTest, ValuesThatDoNotFitTheirFieldAreNeverSent)
{
    EXPECT_TRUE(FocuserProtocol::fitsValueField("!TwStxx", 99));
    EXPECT_FALSE(FocuserProtocol::fitsValueField("!TwStxx", 100));
    EXPECT_TRUE(FocuserProtocol::fitsValueField("!TwStxx", -9));
    EXPECT_FALSE(FocuserProtocol::fitsValueField("!TwStxx", -10));
    EXPECT_TRUE(FocuserProtocol::fitsValueField(kf3::kMoveTo, 9999999));
    EXPECT_FALSE(FocuserProtocol::fitsValueField(kf3::kMoveTo, 10000000));
    EXPECT_TRUE(FocuserProtocol::fitsValueField(kf3::kMoveTo, -999999));
    EXPECT_FALSE(FocuserProtocol::fitsValueField(kf3::kMoveTo, -1000000));
    EXPECT_FALSE(FocuserProtocol::fitsValueField(kf3::kMoveTo, std::numeric_limits<std::int32_t>::min()));
    EXPECT_FALSE(FocuserProtocol::fitsValueField("!EwMx", -1));
    EXPECT_TRUE(FocuserProtocol::fitsValueField(kf3::kHalt, std::numeric_limits<std::int32_t>::min()));

    EXPECT_FALSE(protocol.sendValue(channel, kf3::kStepNumber.write, 100));
    EXPECT_FALSE(protocol.sendValue(channel, kf3::kEndSwitchMode.write, -1));
    EXPECT_FALSE(protocol.sendValue(channel, kf3::kEndMax.write, std::numeric_limits<std::int32_t>::min()));
    EXPECT_FALSE(protocol.sendValue(channel, std::string(300, 'x'), 0)); // longer than the buffer
    EXPECT_EQ(line->sent(), "");
    // A template without a field goes out unchanged; its value is ignored.
    EXPECT_TRUE(protocol.sendValue(channel, kf3::kHalt, 12345));
    EXPECT_EQ(line->takeSent(), "!MS\r");
}

TEST_F(FocuserProtocolTest, RepliesAreJudgedAsDocumented)
{
    std::int32_t value = -1;
    answerEveryCommandWith("Ok\n\r");
    EXPECT_TRUE(protocol.queryValue(channel, kf3::kStepNumber.read, value)); // "Ok" to a read: 0
    EXPECT_EQ(value, 0);
    answerEveryCommandWith("Error\n\r");
    EXPECT_FALSE(protocol.sendValue(channel, kf3::kStepNumber.write, 5));
    answerEveryCommandWith("set: Ok\n\r");
    EXPECT_TRUE(protocol.sendValue(channel, kf3::kStepNumber.write, 5));

    struct Case {
        const char* reply;
        std::int32_t value;
    } numbers[] = {{"  -42abc\n\r", -42},
                   {"+7\n\r", 7},
                   {"2147483647\n\r", 2147483647},
                   {"-2147483648\n\r", -2147483647 - 1},
                   {"\n\r", 0},
                   {"-\n\r", 0}};
    for (const Case& c : numbers) {
        answerEveryCommandWith(c.reply);
        EXPECT_TRUE(protocol.queryValue(channel, kf3::kReadPosition, value)) << c.reply;
        EXPECT_EQ(value, c.value) << c.reply;
    }
    // Replies that cannot be right fail the read and leave the value alone.
    value = 123;
    for (const char* wrong : {"2147483648\n\r", "-2147483649\n\r", "-99999999999999999999\n\r",
                              "99999999999\n\r", "Error\n\r", "12 Error\n\r"}) {
        answerEveryCommandWith(wrong);
        EXPECT_FALSE(protocol.queryValue(channel, kf3::kReadPosition, value)) << wrong;
        EXPECT_EQ(value, 123) << wrong;
    }

    answerEveryCommandWith("Ok\r\n"); // the wrong line ending never ends the read
    EXPECT_FALSE(protocol.sendValue(channel, kf3::kHalt, 0));
    answerEveryCommandWith(std::string(300, '7') + "\n\r"); // longer than the buffer
    EXPECT_FALSE(protocol.queryValue(channel, kf3::kReadPosition, value));
    answerEveryCommandWith("");
    EXPECT_FALSE(protocol.queryValue(channel, kf3::kReadPosition, value));
    line->dropEchoOfByte(static_cast<int>(line->sent().size()) + 1);
    answerEveryCommandWith("Ok\n\r");
    EXPECT_FALSE(protocol.sendValue(channel, kf3::kHalt, 0));
}

TEST_F(FocuserProtocolTest, DeviceCheckAsksForThePosition)
{
    EXPECT_EQ(protocol.deviceCheck(channel), "Focuser KF-3");
    EXPECT_EQ(line->takeSent(), "!MrP\r");
    answerEveryCommandWith("garbage without a number\n\r"); // any reply line will do
    EXPECT_EQ(protocol.deviceCheck(channel), "Focuser KF-3");
    line->setEcho(false);
    EXPECT_EQ(protocol.deviceCheck(channel), "Device Not Found");
    EXPECT_EQ(protocol.deviceCheck(nullptr), "Device Not Found");
    line->takeSent();
    // Something that answers every byte with "?" is not a controller, whatever it says next.
    line->setDevice([](char byte) { return byte == '\r' ? std::string("?0\n\r") : std::string("?"); });
    EXPECT_EQ(protocol.deviceCheck(channel), "Device Not Found");
    EXPECT_EQ(line->takeSent(), "!") << "nothing after the first wrong echo";
}

TEST(FocuserProtocolOnKf3Emulator, ExchangesFromTwoThreadsNeverTakeEachOthersReply)
{
    // Two focuser objects on one controller, their calls off the server's loop at once.
    testing::TempHome home;
    sim::Kf3Controller controller;
    sim::Kf3Parameters parameters;
    parameters.endMin = -2500;
    parameters.endMax = 9999;
    controller.setParameters(parameters);
    sim::PtyEmulator emulator(controller);
    ASSERT_TRUE(emulator.start());
    platform::SystemPortDevices devices;
    devices.mapSerialPort("COM1", emulator.slavePath());
    PortRegistry ports(devices);
    int first = 0, second = 0;
    PortChannel* channel = ports.openPort("COM1", &first);
    ASSERT_EQ(channel, ports.openPort("COM1", &second));
    ASSERT_NE(channel, nullptr);
    std::atomic<int> wrong{0};
    auto ask = [&](const char* command, std::int32_t expected) {
        FocuserProtocol protocol(ports);
        for (int i = 0; i < 200; ++i) {
            std::int32_t value = 0;
            if (!protocol.queryValue(channel, command, value) || value != expected)
                ++wrong;
        }
    };
    std::thread low([&] { ask(kf3::kEndMin.read, -2500); });
    std::thread high([&] { ask(kf3::kEndMax.read, 9999); });
    low.join();
    high.join();
    EXPECT_EQ(wrong.load(), 0);
    PortChannel* again = channel;
    ports.releasePort(channel, &first);
    ports.releasePort(again, &second);
    EXPECT_EQ(ports.openChannelCount(), 0u);
}

TEST(FocuserCommandIndex, ReplacesTheIndexPlaceholderOnly)
{
    EXPECT_EQ(FocuserProtocol::withIndex(kf3::kSpeedPulse.write, 3), "!Lw3Sxxxxx");
    EXPECT_EQ(FocuserProtocol::withIndex(kf3::kCellValue.read, 0), "!Cr0");
    EXPECT_EQ(FocuserProtocol::withIndex(kf3::kStepPulse.write, 3), "!TwSpxxxxx");
}

} // namespace
} // namespace velmora::server
