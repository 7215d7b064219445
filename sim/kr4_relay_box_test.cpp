#include "sim/kr4_relay_box.h"

#include <gtest/gtest.h>

namespace velmora::sim {
namespace {

std::string feed(Kr4RelayBox& box, const std::string& bytes)
{
    std::string replies;
    for (char byte : bytes)
        replies += box.onByte(byte);
    return replies;
}

TEST(Kr4RelayBox, IdentifiesItselfWithOneLine)
{
    Kr4RelayBox box;
    std::string reply = feed(box, "v");
    EXPECT_EQ(reply, std::string(Kr4RelayBox::kIdentification) + "\n\r");
    EXPECT_EQ(reply.find("DudAvudiZaz"), 1u);
}

TEST(Kr4RelayBox, SwitchesOutputsAndRelayMode)
{
    Kr4RelayBox box;
    EXPECT_EQ(feed(box, "1+3+8+"), "");
    EXPECT_EQ(box.outputs(), 0x85);
    feed(box, "3-8-");
    EXPECT_EQ(box.outputs(), 0x01);
    EXPECT_FALSE(box.relayMode());
    feed(box, "r+");
    EXPECT_TRUE(box.relayMode());
    feed(box, "r-");
    EXPECT_FALSE(box.relayMode());
}

TEST(Kr4RelayBox, IgnoresWhatIsNotACommand)
{
    Kr4RelayBox box;
    EXPECT_EQ(feed(box, "9+0+x+++--\r\n1x+"), "");
    EXPECT_EQ(box.outputs(), 0x00);
    // A broken command does not swallow the next one.
    feed(box, "22+");
    EXPECT_EQ(box.outputs(), 0x02);
}

TEST(Kr4RelayBox, TimeStampsOutputChanges)
{
    using namespace std::chrono_literals;
    std::chrono::steady_clock::time_point now{};
    Kr4RelayBox box([&] { return now; });
    now += 40ms;
    feed(box, "8+");
    now += 500ms;
    feed(box, "8-");
    auto changes = box.outputLines().changes();
    ASSERT_EQ(changes.size(), 2u);
    EXPECT_EQ(changes[1].time - changes[0].time, 500ms);
    EXPECT_EQ(changes[0].after, 0x80);
}

} // namespace
} // namespace velmora::sim
