// The exposure sequences' 120-byte stored form and its damaged variants.
#include "server/frame/exposure_sequences.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora::server {
namespace {

std::uint32_t le32(const std::uint8_t* p)
{
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

TEST(ExposureSequenceStoredForm, DefaultsLayOutAs120LittleEndianBytes)
{
    const auto bytes = ExposureSequences().toBytes();
    ASSERT_EQ(bytes.size(), 120u);
    for (int seq = 0; seq < 2; ++seq) {
        const std::uint8_t* s = bytes.data() + 60 * seq;
        const std::uint32_t delays[6] = {0, 20, 0, 0, 0, 0};
        const std::uint32_t waits[6] = {0, 1, 0, 0, 0, 0};
        const std::uint16_t lines[6] = {
            0xF00F, static_cast<std::uint16_t>(seq == 0 ? 0xF400 : 0xF000), 0xFF00, 0xFF00, 0xFF00, 0xF00F};
        for (int i = 0; i < 6; ++i) {
            EXPECT_EQ(le32(s + 4 * i), delays[i]);
            EXPECT_EQ(s[24 + 2 * i] | s[25 + 2 * i] << 8, lines[i]);
            EXPECT_EQ(le32(s + 36 + 4 * i), waits[i]);
        }
    }
    EXPECT_EQ(bytes[24], 0x0F);
    EXPECT_EQ(bytes[25], 0xF0);
}

TEST(ExposureSequenceStoredForm, RoundTripsAndReadsAbsentAsDefaults)
{
    ExposureSequences sequences;
    ExposureSequence edited = ExposureSequence::defaults(1);
    edited.delayMs = {1, 2, 999999, 4, 5, 6};
    edited.lines = {0x0102, 0x0304, 0x0506, 0x0708, 0x090A, 0xFFFF};
    edited.waitFrame = {0, 7, 0, 1, 0, -1};
    sequences.setSequence(1, edited);
    ASSERT_TRUE(sequences.select(1));
    const auto bytes = sequences.toBytes();
    const ExposureSequences back = ExposureSequences::fromStored(bytes.data(), bytes.size(), 1);
    EXPECT_EQ(back, sequences);
    EXPECT_EQ(back.selected(), edited);
    EXPECT_TRUE(back.selected().waitsForFrame(5));
    EXPECT_EQ(back.selected().restWord(), 0xFFFF);

    EXPECT_EQ(ExposureSequences::fromStored(nullptr, 0, 0), ExposureSequences());
}

TEST(ExposureSequenceStoredForm, DamagedValuesFallBackSafely)
{
    ExposureSequences custom;
    ExposureSequence s = ExposureSequence::defaults(0);
    s.lines = {1, 2, 3, 4, 5, 6};
    custom.setSequence(0, s);
    custom.setSequence(1, s);
    auto bytes = custom.toBytes();

    // Short blob: only complete 60-byte records are used; the rest are defaults.
    const ExposureSequences shortBlob = ExposureSequences::fromStored(bytes.data(), 59, 0);
    EXPECT_EQ(shortBlob, ExposureSequences());
    const ExposureSequences firstOnly = ExposureSequences::fromStored(bytes.data(), 119, 0);
    EXPECT_EQ(firstOnly.sequence(0), s);
    EXPECT_EQ(firstOnly.sequence(1), ExposureSequence::defaults(1));

    // Longer blob: the extra bytes are ignored.
    std::vector<std::uint8_t> longer(bytes.begin(), bytes.end());
    longer.resize(500, 0xEE);
    EXPECT_EQ(ExposureSequences::fromStored(longer.data(), longer.size(), 0), custom);

    // Negative or enormous delays are clamped; an unknown type selects sequence 0.
    bytes[0] = 0xFF, bytes[1] = 0xFF, bytes[2] = 0xFF, bytes[3] = 0xFF; // -1
    bytes[4] = 0x00, bytes[5] = 0x00, bytes[6] = 0x00, bytes[7] = 0x7F; // 2^31 - 2^24
    const ExposureSequences clamped = ExposureSequences::fromStored(bytes.data(), bytes.size(), 7);
    EXPECT_EQ(clamped.sequence(0).delayMs[0], 0);
    EXPECT_EQ(clamped.sequence(0).delayMs[1], 999999);
    EXPECT_EQ(clamped.type(), 0);
    ExposureSequences selector;
    EXPECT_FALSE(selector.select(2));
    EXPECT_FALSE(selector.select(-1));
    EXPECT_EQ(selector.type(), 0);
}

} // namespace
} // namespace velmora::server
