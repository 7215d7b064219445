#include "server/ports/line_word.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

TEST(LineWord, AppliesKeptLinesAndNewValues)
{
    // North's default word: D7 raised, D0..D6 kept.
    EXPECT_EQ(LineWord(0x7F80).applyTo(0x0F, false), 0x8F);
    EXPECT_EQ(LineWord(0x7F80).applyTo(0x0F, true), 0x0F);
    // The release word of the declination axis lowers D7 and D6.
    EXPECT_EQ(LineWord(0x3F00).applyTo(0xFF, false), 0x3F);
    EXPECT_EQ(LineWord(0x3F00).applyTo(0x00, true), 0xC0);
    // Everything kept: nothing moves, whatever the polarity.
    for (int current : {0x00, 0x5A, 0xFF}) {
        EXPECT_EQ(LineWord(0xFF00).applyTo(static_cast<std::uint8_t>(current), false), current);
        EXPECT_EQ(LineWord(0xFF00).applyTo(static_cast<std::uint8_t>(current), true), current);
    }
}

TEST(LineWord, ValueBitsOfKeptLinesNeverMoveThem)
{
    // A stored word may carry value bits on kept lines; those lines still stay.
    LineWord word(0xF0FF);
    EXPECT_EQ(word.values(false), 0x0F);
    EXPECT_EQ(word.applyTo(0x00, false), 0x0F);
    EXPECT_EQ(word.applyTo(0xA5, false), 0xAF);
    EXPECT_EQ(word.values(true), 0x00);
    EXPECT_EQ(LineWord(0xFFFF).applyTo(0x12, false), 0x12);
}

TEST(LineWord, KeepMaskAndInvert)
{
    LineWord word(0x3F00);
    EXPECT_EQ(word.keepMask(), 0x3F);
    EXPECT_TRUE(word.keeps(0));
    EXPECT_TRUE(word.keeps(5));
    EXPECT_FALSE(word.keeps(6));
    EXPECT_FALSE(word.keeps(7));
    EXPECT_EQ(word.values(false), 0x00);
    EXPECT_EQ(word.values(true), 0xC0);
}

} // namespace
} // namespace velmora::server
