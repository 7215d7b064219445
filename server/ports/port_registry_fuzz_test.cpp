// Random replies from the device side of a pseudo-terminal: the identification query
// and the line reader must stay within their buffers and their time-outs whatever
// comes back.
#include "server/ports/port_registry.h"

#include "platform/ports/system_port_devices.h"
#include "sim/kr4_relay_box.h"
#include "sim/pty_emulator.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace velmora::server {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kSequences = 10000;
// Short byte time-outs keep the run quick; the bounds checked are the same.
constexpr auto kByteTimeout = 20ms;

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
    testing::TempHome home;
    platform::SystemPortDevices devices;
    sim::Kr4RelayBox box;
    sim::PtyEmulator emulator(box);
    ASSERT_TRUE(emulator.start());
    devices.mapSerialPort("COM7", emulator.slavePath());
    PortRegistry registry(devices, kByteTimeout);
    int owner = 0;
    PortChannel* channel = registry.openPort("COM7", &owner);
    ASSERT_NE(channel, nullptr);

    std::mt19937 random(20240611);
    int identified = 0;
    auto longest = Clock::duration::zero();
    for (int i = 0; i < kSequences; ++i) {
        std::string reply = randomReply(random);
        auto start = Clock::now();
        if (i % 2 == 0) {
            emulator.replaceNextReply(reply);
            std::string status = registry.queryPortDevice(channel, "COM7");
            if (status != "Device Not Found") {
                // The line without its first character: at most 253 of the 256 bytes.
                ++identified;
                EXPECT_LE(status.size(), PortRegistry::kReplyBufferSize - 3);
            }
        } else {
            ASSERT_TRUE(emulator.inject(reply));
            char line[PortRegistry::kReplyBufferSize];
            if (registry.readLine(channel, line))
                expectSoundLine(line);
        }
        longest = std::max(longest, Clock::now() - start);
    }
    EXPECT_GT(identified, 0);
    // The worst case is a line of 256 bytes, then a skipped tail that never ends.
    EXPECT_LT(longest, 2s);

    // The line still works for a sound device.
    char line[PortRegistry::kReplyBufferSize];
    while (registry.readLine(channel, line)) {
    }
    EXPECT_EQ(registry.queryPortDevice(channel, "COM7"), "DudAvudiZaz KR-4 Relay Box 1.02");
}

} // namespace
} // namespace velmora::server
