// The emulators on pseudo-terminals, seen from a host that opens the slave side like
// any serial device.
#include "sim/pty_emulator.h"

#include "platform/ports/termios_serial_device.h"
#include "sim/kf3_controller.h"
#include "sim/kr4_relay_box.h"

#include <gtest/gtest.h>

namespace velmora::sim {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

class PtyEmulatorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(emulator.start());
        EXPECT_EQ(emulator.slavePath().rfind("/dev/pts/", 0), 0u);
        host = platform::TermiosSerialDevice::open(emulator.slavePath());
        ASSERT_NE(host, nullptr);
        ASSERT_TRUE(host->configure(115200));
    }

    // Sends the bytes, reading each echo; returns the echoes.
    std::string exchange(const std::string& bytes)
    {
        std::string echoes;
        for (char byte : bytes) {
            host->writeByte(static_cast<std::uint8_t>(byte));
            if (auto echo = host->readByte(100ms))
                echoes += static_cast<char>(*echo);
        }
        return echoes;
    }

    // Everything that arrives until the line is quiet for `quiet`.
    std::string drain(std::chrono::milliseconds quiet = 50ms)
    {
        std::string bytes;
        while (auto byte = host->readByte(quiet))
            bytes += static_cast<char>(*byte);
        return bytes;
    }

    Kf3Controller controller;
    PtyEmulator emulator{controller};
    std::unique_ptr<platform::TermiosSerialDevice> host;
};

TEST_F(PtyEmulatorTest, EchoesEveryByteThenAnswers)
{
    EXPECT_EQ(exchange("!MrP\r"), "!MrP\r");
    EXPECT_EQ(drain(), "0\n\r");
    EXPECT_EQ(emulator.takeReceived(), "!MrP\r");
    EXPECT_EQ(emulator.receivedCount(), 5u);
    // Bytes pass unchanged in both directions: the line is raw.
    EXPECT_EQ(exchange(std::string("\n\x03\x11\xff", 4)), std::string("\n\x03\x11\xff", 4));
}

TEST_F(PtyEmulatorTest, DropsTheEchoOfOneByte)
{
    EmulatorFaults faults;
    faults.dropEchoOfByte = 2;
    emulator.setFaults(faults);
    EXPECT_EQ(exchange("!MS\r"), "!M\r");
    EXPECT_EQ(drain(), "Ok\n\r");
    EXPECT_EQ(exchange("!MS\r"), "!MS\r"); // once only
}

TEST_F(PtyEmulatorTest, FaultyReplies)
{
    EmulatorFaults faults;
    faults.overlongReplies = true;
    emulator.setFaults(faults);
    exchange("!MrP\r");
    std::string overlong = drain();
    EXPECT_GT(overlong.size(), 256u);
    EXPECT_EQ(overlong.substr(overlong.size() - 2), "\n\r");

    faults = {};
    faults.garbageReplies = true;
    faults.seed = 7;
    emulator.setFaults(faults);
    exchange("!MrP\r");
    std::string garbage = drain();
    ASSERT_GE(garbage.size(), 3u);
    EXPECT_EQ(garbage.find('\n'), garbage.size() - 2);

    faults = {};
    faults.silent = true;
    emulator.setFaults(faults);
    for (char byte : std::string("!MrP\r"))
        host->writeByte(static_cast<std::uint8_t>(byte));
    EXPECT_EQ(drain(), "");
    EXPECT_EQ(emulator.takeReceived().substr(10), "!MrP\r");
}

TEST_F(PtyEmulatorTest, LateReplies)
{
    EmulatorFaults faults;
    faults.replyDelay = 150ms;
    emulator.setFaults(faults);
    EXPECT_EQ(exchange("!MT\r"), "!MT\r");
    auto start = Clock::now();
    EXPECT_EQ(host->readByte(100ms), std::nullopt);
    EXPECT_EQ(drain(300ms), "Off\n\r");
    EXPECT_GE(Clock::now() - start, 140ms);
}

TEST_F(PtyEmulatorTest, ScriptedRepliesAndInjectedBytes)
{
    emulator.replaceNextReply("anything");
    exchange("!MrP\r");
    EXPECT_EQ(drain(), "anything");
    exchange("!MrP\r");
    EXPECT_EQ(drain(), "0\n\r");

    ASSERT_TRUE(emulator.inject("unasked\n\r"));
    EXPECT_EQ(drain(), "unasked\n\r");
}

TEST_F(PtyEmulatorTest, StopsPromptlyWhileAReplyIsHeldBack)
{
    EmulatorFaults faults;
    faults.replyDelay = 10s;
    emulator.setFaults(faults);
    exchange("!MrP\r");
    auto start = Clock::now();
    emulator.stop();
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_FALSE(emulator.running());
    EXPECT_FALSE(emulator.inject("x"));
}

TEST_F(PtyEmulatorTest, HostCanComeBack)
{
    host.reset();
    // Bytes sent while no host listens are flushed when the next host opens the line.
    ASSERT_TRUE(emulator.inject("stale"));
    host = platform::TermiosSerialDevice::open(emulator.slavePath());
    ASSERT_NE(host, nullptr);
    EXPECT_EQ(drain(), "");
    EXPECT_EQ(exchange("!MT\r"), "!MT\r");
    EXPECT_EQ(drain(), "Off\n\r");
}

TEST(PtyRelayBox, AnswersItsIdentificationAndSwitches)
{
    Kr4RelayBox box;
    PtyEmulator emulator(box);
    ASSERT_TRUE(emulator.start());
    auto host = platform::TermiosSerialDevice::open(emulator.slavePath());
    ASSERT_NE(host, nullptr);
    std::string received;
    for (char byte : std::string("5+v")) {
        host->writeByte(static_cast<std::uint8_t>(byte));
        while (auto in = host->readByte(100ms))
            received += static_cast<char>(*in);
    }
    EXPECT_EQ(received, std::string("5+v") + Kr4RelayBox::kIdentification + "\n\r");
    EXPECT_EQ(box.outputs(), 0x10);
}

} // namespace
} // namespace velmora::sim
