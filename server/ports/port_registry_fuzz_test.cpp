// Random replies from the device side of a serial line: the identification query and
// the line reader must stay within their buffers and their time-outs whatever comes
// back. The line is in memory and keeps its own clock (a byte takes a millisecond, a
// byte that never comes the whole byte time-out), so the bounds are checked exactly
// and no real time-out is waited out.
#include "server/ports/port_registry.h"

#include "server/ports/fake_port_devices.h"
#include "sim/kr4_relay_box.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;
using Clock = PortRegistry::Clock;

constexpr int kSequences = 10000;
constexpr auto kByteTimeout = 20ms;

Clock::time_point g_lineTime{std::chrono::hours(1)};
Clock::time_point lineTime()
{
    return g_lineTime;
}

std::string randomReply(std::mt19937& random)
{
    std::uniform_int_distribution<int> percent(0, 99);
    std::uniform_int_distribution<int> byte(0, 255);
    int kind = percent(random);
    std::size_t length = kind < 10 ? std::uniform_int_distribution<std::size_t>(240, 320)(random)
                                   : std::uniform_int_distribution<std::size_t>(0, 48)(random);
    std::string reply;
    if (kind >= 10 && kind < 25)
        reply = std::string(1, static_cast<char>(byte(random))) + "DudAvudiZaz";
    for (std::size_t i = 0; i < length; ++i)
        reply += static_cast<char>(byte(random));
    // Mostly a line ending; the rest must run into the time-out.
    if (kind != 99)
        reply += "\n\r";
    return reply;
}

void expectSoundLine(const char* line)
{
    std::size_t length = strnlen(line, PortRegistry::kReplyBufferSize);
    ASSERT_LE(length, PortRegistry::kReplyBufferSize - 2);
    EXPECT_EQ(std::strstr(line, "\n\r"), nullptr);
}

TEST(PortRegistryFuzz, RandomRepliesStayWithinBuffersAndTimeOuts)
{
    FakePortDevices devices;
    auto line = devices.addSerial("COM7");
    line->setReadHook([] { g_lineTime += 1ms; });
    line->setTimeoutHook([](std::chrono::milliseconds waited) { g_lineTime += waited; });
    // The identification query ("v") is answered by the reply of the round; a sound
    // relay box's once the rounds are over.
    std::string identification = std::string(sim::Kr4RelayBox::kIdentification) + "\n\r";
    line->setDevice([&](char byte) { return byte == 'v' ? identification : std::string(); });
    PortRegistry registry(devices, kByteTimeout, &lineTime);
    int owner = 0;
    PortChannel* channel = registry.openPort("COM7", &owner);
    ASSERT_NE(channel, nullptr);

    std::mt19937 random(20240611);
    int identified = 0;
    auto longest = Clock::duration::zero();
    const std::string sound = identification;
    for (int i = 0; i < kSequences; ++i) {
        std::string reply = randomReply(random);
        const auto start = g_lineTime;
        if (i % 2 == 0) {
            identification = reply;
            std::string status = registry.queryPortDevice(channel, "COM7");
            if (status != "Device Not Found") {
                // The line without its first character: at most 253 of the 256 bytes.
                ++identified;
                EXPECT_LE(status.size(), PortRegistry::kReplyBufferSize - 3);
            }
        } else {
            line->feed(reply);
            char text[PortRegistry::kReplyBufferSize];
            if (registry.readLine(channel, text))
                expectSoundLine(text);
        }
        longest = std::max(longest, g_lineTime - start);
    }
    EXPECT_GT(identified, 0);
    // The worst case is a line of 256 bytes, then a skipped tail that never ends: the
    // stale bytes discarded before the write, the write and the read each end within
    // the operation limit.
    EXPECT_LE(longest, 3 * PortRegistry::kOperationLimit + kByteTimeout);

    // The line still works for a sound device.
    identification = sound;
    char text[PortRegistry::kReplyBufferSize];
    while (registry.readLine(channel, text)) {
    }
    EXPECT_EQ(registry.queryPortDevice(channel, "COM7"), "DudAvudiZaz KR-4 Relay Box 1.02");
}

} // namespace
} // namespace velmora::server
