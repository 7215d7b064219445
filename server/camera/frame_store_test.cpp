#include "server/camera/frame_store.h"

#include "server/camera/colour_converter.h"
#include "server/camera/test_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora::server {
namespace {

using testing::TestFrame;

TestFrame<std::uint8_t> patterned(int width, int height, int padding, int seed)
{
    TestFrame<std::uint8_t> frame(width, height, padding, 0, 0xAB);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            frame.set(x, y, static_cast<std::uint8_t>(x + seed), static_cast<std::uint8_t>(y * 3 + seed),
                      static_cast<std::uint8_t>((x * y + seed) & 0xFF));
    return frame;
}

TEST(FrameStoreSumming, SumsConsecutivePaddedFramesByteForByte)
{
    FrameStore store;
    ASSERT_TRUE(store.allocate(5, 3)); // 15 bytes per row: padded frames have odd widths
    store.clearSums();
    int expected = 0;
    for (int i = 0; i < 4; ++i) {
        const auto frame = patterned(5, 3, 1, 10 * i);
        ASSERT_TRUE(store.addFrame(frame.view()));
        expected += 2 + 10 * i; // blue of pixel (2, 1)
    }
    EXPECT_EQ(store.framesSummed(), 4);
    EXPECT_EQ(store.maxSum(), 4 * 255);
    const FrameSums sums = store.sums();
    EXPECT_EQ(sums.stride, 15);
    EXPECT_EQ(sums.row(1)[3 * 2], expected);

    // One frame summed converts to that frame; four to their sum (coefficients 100 %).
    ColourSettings original;
    ColourImage summed;
    ASSERT_TRUE(ColourConverter::convert(sums, store.maxSum(), {0, 0, 5, 3}, original, summed));
    EXPECT_EQ(summed.at(2, 1, kBlue), expected);
    store.clearSums();
    const auto one = patterned(5, 3, 1, 7);
    ASSERT_TRUE(store.addFrame(one.view()));
    ColourImage single;
    ColourImage direct;
    ASSERT_TRUE(ColourConverter::convert(store.sums(), store.maxSum(), {0, 0, 5, 3}, original, single));
    ASSERT_TRUE(ColourConverter::convert(one.view(), {0, 0, 5, 3}, original, direct));
    for (std::size_t i = 0; i < single.valueCount(); ++i)
        ASSERT_EQ(single.data()[i], direct.data()[i]);
}

TEST(FrameStoreSumming, WideRowsSumAndScoreExactly)
{
    // 37 pixels = 111 bytes a row: vector steps and a scalar tail in every row.
    FrameStore store;
    ASSERT_TRUE(store.allocate(37, 5));
    store.clearSums();
    std::vector<TestFrame<std::uint8_t>> frames;
    std::vector<long> expected(37 * 5 * 3, 0);
    std::uint32_t seed = 99;
    for (int f = 0; f < 3; ++f) {
        frames.emplace_back(37, 5, 7, 0, 0xFF);
        for (int y = 0; y < 5; ++y)
            for (int x = 0; x < 37; ++x)
                for (int c = 0; c < 3; ++c) {
                    seed = seed * 1664525u + 1013904223u;
                    const auto v = static_cast<std::uint8_t>(seed >> 24);
                    frames.back().setChannel(x, y, c, v);
                    expected[(y * 37 + x) * 3 + c] += v;
                }
        ASSERT_TRUE(store.addFrame(frames.back().view()));
    }
    const FrameSums sums = store.sums();
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_EQ(sums.data[i], expected[i]) << i;
    ASSERT_TRUE(store.storeCandidate(2, frames[2].view()));
    long total = 0;
    for (int y = 0; y < 5; ++y)
        for (int i = 0; i < 111; ++i)
            total += frames[2].view().row(y)[i];
    EXPECT_EQ(store.score(2), static_cast<std::uint64_t>(total) + 1);
}

TEST(FrameStoreSumming, RefusesFramesOfAnotherSizeAndImpossibleSizes)
{
    FrameStore store;
    EXPECT_FALSE(store.allocate(0, 10));
    EXPECT_FALSE(store.allocate(10, -1));
    EXPECT_FALSE(store.allocate(40000, 10));
    EXPECT_FALSE(store.allocate(20000, 20000));
    EXPECT_EQ(store.frameBytes(), 0u);
    EXPECT_FALSE(store.addFrame(patterned(4, 4, 0, 0).view()));
    ASSERT_TRUE(store.allocate(4, 4));
    EXPECT_FALSE(store.addFrame(patterned(4, 5, 0, 0).view()));
    EXPECT_FALSE(store.storeCandidate(0, patterned(5, 4, 0, 0).view()));
    EXPECT_FALSE(store.storeCandidate(5, patterned(4, 4, 0, 0).view()));
    EXPECT_EQ(store.framesSummed(), 0);
}

TEST(FrameStoreCandidates, BrightestWinsAndTheEarliestOfEqualScores)
{
    FrameStore store;
    ASSERT_TRUE(store.allocate(3, 2));
    const std::uint8_t levels[FrameStore::kCandidates] = {10, 40, 25, 40, 5};
    for (int i = 0; i < FrameStore::kCandidates; ++i) {
        TestFrame<std::uint8_t> frame(3, 2, 3, levels[i], 0xFF);
        ASSERT_TRUE(store.storeCandidate(i, frame.view()));
    }
    EXPECT_EQ(store.score(0), 1u + 18 * 10);
    EXPECT_EQ(store.brightestCandidate(), 1);
    EXPECT_EQ(store.brightestCandidate(1), 0);
    const FrameBytes chosen = store.candidate(store.brightestCandidate());
    EXPECT_EQ(chosen.stride, 9);
    EXPECT_EQ(chosen.row(1)[8], 40); // padding of the source frame is not copied

    // All black: every score is 1, the first candidate is chosen.
    for (int i = 0; i < FrameStore::kCandidates; ++i)
        ASSERT_TRUE(store.storeCandidate(i, TestFrame<std::uint8_t>(3, 2).view()));
    EXPECT_EQ(store.brightestCandidate(), 0);
    EXPECT_EQ(store.score(4), 1u);
}

} // namespace
} // namespace velmora::server
