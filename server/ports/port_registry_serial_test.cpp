// Echoed writes, line reads and relay-box outputs, byte for byte on a fake line.
#include "server/ports/port_registry.h"

#include "server/ports/fake_port_devices.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <thread>

namespace velmora::server {
namespace {

class SerialPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        line = devices.addSerial("COM2");
        channel = registry.openPort("COM2", &owner);
        ASSERT_NE(channel, nullptr);
    }

    FakePortDevices devices;
    PortRegistry registry{devices};
    std::shared_ptr<FakeSerialLine> line;
    PortChannel* channel = nullptr;
    int owner = 0;
};

TEST_F(SerialPortTest, EveryByteIsEchoedAndTheTerminatorIsNotSent)
{
    char text[16] = "!mrp\r";
    EXPECT_TRUE(registry.writeEchoed(channel, std::span<char>(text)));
    EXPECT_STREQ(text, "!mrp\r");
    EXPECT_EQ(line->takeSent(), "!mrp\r");

    // Without a terminator the whole span goes out.
    char unterminated[2] = {'a', 'b'};
    EXPECT_TRUE(registry.writeEchoed(channel, std::span<char>(unterminated)));
    EXPECT_EQ(line->takeSent(), "ab");

    EXPECT_TRUE(registry.writeEchoed(channel, std::string_view("r+")));
    EXPECT_EQ(line->takeSent(), "r+");
}

TEST_F(SerialPortTest, AnEchoThatDiffersFromTheByteSentFailsAtOnce)
{
    // A device that echoes in upper case: its first differing echo ends the write.
    line->setEcho(false);
    line->setDevice([](char byte) { return std::string(1, static_cast<char>(std::toupper(byte))); });
    char text[16] = "!mrp\r";
    EXPECT_FALSE(registry.writeEchoed(channel, std::span<char>(text)));
    EXPECT_EQ(line->takeSent(), "!m");
    EXPECT_EQ(text[1], 'M') << "the echo still stands where the byte was";

    // One that answers "?" to everything drives no relay output.
    line->setDevice([](char) { return std::string("?"); });
    EXPECT_FALSE(registry.setLines(channel, 0x0000, false));
    EXPECT_EQ(line->takeSent(), "1");
    EXPECT_EQ(registry.queryPortDevice(channel, "COM2"), "Device Not Found");
}

TEST_F(SerialPortTest, MissingEchoStopsTheWriteAtOnce)
{
    line->dropEchoOfByte(1);
    char text[] = "!MS\r";
    EXPECT_FALSE(registry.writeEchoed(channel, std::span<char>(text)));
    EXPECT_EQ(line->takeSent(), "!M");
}

TEST_F(SerialPortTest, ReadLineEndsOnlyOnLineFeedThenCarriageReturn)
{
    char buffer[PortRegistry::kReplyBufferSize];
    line->feed("12345\n\r");
    EXPECT_TRUE(registry.readLine(channel, buffer));
    EXPECT_STREQ(buffer, "12345");

    line->feed("Ok\r\nmore\n\r");
    EXPECT_TRUE(registry.readLine(channel, buffer));
    EXPECT_STREQ(buffer, "Ok\r\nmore");

    // A reply that ends CR LF never completes: the read runs out of bytes and fails.
    line->feed("Ok\r\n");
    EXPECT_FALSE(registry.readLine(channel, buffer));
    EXPECT_EQ(line->pending(), 0u);

    line->feed("\n\r");
    EXPECT_TRUE(registry.readLine(channel, buffer));
    EXPECT_STREQ(buffer, "");
}

TEST_F(SerialPortTest, ReadLineIsBoundedByItsBuffer)
{
    char buffer[PortRegistry::kReplyBufferSize];
    // The longest line that fits: 254 characters and its two-byte ending.
    std::string fits(254, 'a');
    line->feed(fits + "\n\r");
    EXPECT_TRUE(registry.readLine(channel, buffer));
    EXPECT_EQ(std::strlen(buffer), 254u);

    // One more is a failed read, and the rest of that line is skipped so the next
    // reply is read whole.
    line->feed(std::string(255, 'b') + "\n\r" + "next\n\r");
    EXPECT_FALSE(registry.readLine(channel, buffer));
    EXPECT_TRUE(registry.readLine(channel, buffer));
    EXPECT_STREQ(buffer, "next");

    line->feed(std::string(300, 'c') + "\n\r");
    char small[4];
    EXPECT_FALSE(registry.readLine(channel, small));
    EXPECT_EQ(line->pending(), 0u);
    EXPECT_FALSE(registry.readLine(channel, std::span<char>()));
}

TEST_F(SerialPortTest, RelayOutputsFollowTheLineWord)
{
    EXPECT_TRUE(registry.setLines(channel, 0xFF00, false));
    EXPECT_TRUE(registry.setLines(channel, 0xFF00, true));
    EXPECT_EQ(line->takeSent(), "");

    EXPECT_TRUE(registry.setLines(channel, 0x3F00, false));
    EXPECT_EQ(line->takeSent(), "7-8-");
    EXPECT_TRUE(registry.setLines(channel, 0x3F00, true));
    EXPECT_EQ(line->takeSent(), "7+8+");

    // North on output 8, every output ascending for a full word.
    EXPECT_TRUE(registry.setLines(channel, 0x7F80, false));
    EXPECT_EQ(line->takeSent(), "8+");
    EXPECT_TRUE(registry.setLines(channel, 0x00A5, false));
    EXPECT_EQ(line->takeSent(), "1+2-3+4-5-6+7-8+");
}

TEST_F(SerialPortTest, MissingRelayEchoStopsBeforeLaterOutputs)
{
    line->dropEchoOfByte(2); // the "2" of the second output
    EXPECT_FALSE(registry.setLines(channel, 0x0000, false));
    EXPECT_EQ(line->takeSent(), "1-2");
}

TEST_F(SerialPortTest, ConcurrentRelaySequencesNeverInterleave)
{
    constexpr int kRounds = 200;
    auto drive = [&](std::uint16_t word) {
        for (int i = 0; i < kRounds; ++i)
            registry.setLines(channel, word, false);
    };
    std::thread on(drive, 0x00FF);
    std::thread off(drive, 0x0000);
    on.join();
    off.join();
    std::string sent = line->takeSent();
    ASSERT_EQ(sent.size(), 2u * kRounds * 16);
    for (std::size_t at = 0; at < sent.size(); at += 16) {
        std::string group = sent.substr(at, 16);
        EXPECT_TRUE(group == "1+2+3+4+5+6+7+8+" || group == "1-2-3-4-5-6-7-8-") << group;
    }
}

// A clock that moves only when the slow line below says so.
PortRegistry::Clock::time_point g_lineTime{std::chrono::hours(1)};
PortRegistry::Clock::time_point lineTime()
{
    return g_lineTime;
}

TEST(SerialPortDeadline, ATricklingDeviceCannotHoldTheLineLongerThanTheOperationLimit)
{
    using namespace std::chrono_literals;
    FakePortDevices devices;
    auto line = devices.addSerial("COM1");
    PortRegistry registry(devices, PortRegistry::kByteTimeout, &lineTime);
    int owner = 0;
    PortChannel* channel = registry.openPort("COM1", &owner);
    ASSERT_NE(channel, nullptr);
    // Every byte comes 90 ms after the one before: each in time for the byte time-out.
    line->setReadHook([] { g_lineTime += 90ms; });
    auto elapsed = [start = g_lineTime]() mutable {
        const auto taken = g_lineTime - start;
        start = g_lineTime;
        return taken;
    };
    char buffer[PortRegistry::kReplyBufferSize];

    // A short line still arrives whole.
    line->feed("123\n\r");
    EXPECT_TRUE(registry.readLine(channel, buffer));
    EXPECT_STREQ(buffer, "123");
    elapsed();

    // A long one (or one that never ends) fails once the limit is used up.
    line->feed(std::string(200, '7') + "\n\r");
    EXPECT_FALSE(registry.readLine(channel, buffer));
    EXPECT_LE(elapsed(), PortRegistry::kOperationLimit + 90ms);
    line->takeSent();
    while (line->pending() > 0)
        registry.readLine(channel, buffer);
    elapsed();

    // The rest of an over-long line is skipped only within the same limit.
    line->feed(std::string(4000, 'x'));
    char small[8];
    EXPECT_FALSE(registry.readLine(channel, small));
    EXPECT_LE(elapsed(), PortRegistry::kOperationLimit + 90ms);
    while (line->pending() > 0)
        registry.readLine(channel, buffer);
    elapsed();

    // An echoed write of a long command that trickles back fails the same way.
    char command[] = "!EwSl-001000\r";
    EXPECT_FALSE(registry.writeEchoed(channel, std::span<char>(command)));
    EXPECT_LE(elapsed(), PortRegistry::kOperationLimit + 90ms);
    EXPECT_LT(line->takeSent().size(), std::strlen("!EwSl-001000\r"));
}

} // namespace
} // namespace velmora::server
