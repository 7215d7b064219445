// Frame regions as video pixels by the plane colours.
#include "client/capture/avi_pixels.h"

#include <gtest/gtest.h>

using namespace velmora::client;

namespace {

ImageFrame frameOf(int width, int height, int planes)
{
    ImageFrame frame;
    frame.Allocate(width, planes, height);
    return frame;
}

std::array<int, 4> pixel(const std::vector<std::uint8_t>& bytes, int width, int x, int y)
{
    const auto at = static_cast<std::size_t>((y * width + x) * 4);
    return {bytes[at], bytes[at + 1], bytes[at + 2], bytes[at + 3]};
}

} // namespace

TEST(AviPixels, WhitePlanesAreAveragedIntoGreyAndOutweighTheColours)
{
    ImageFrame frame = frameOf(2, 2, 3);
    frame.at(0, 1, 0) = 0x1000; // white
    frame.at(1, 1, 0) = 0xFFFF; // red, ignored beside a white plane
    frame.at(2, 1, 0) = 0x3000; // white
    PlaneColours colours(3);
    colours.setColour(1, PlaneColour::Red);
    std::vector<std::uint8_t> bytes(16, 0xAA);
    AviPixelConverter converter;
    ASSERT_TRUE(converter.convert(frame, {0, 0, 2, 2}, colours, bytes));
    EXPECT_EQ(pixel(bytes, 2, 1, 0), (std::array{0x20, 0x20, 0x20, 0}));
    EXPECT_EQ(pixel(bytes, 2, 0, 1), (std::array{0, 0, 0, 0}));
}

TEST(AviPixels, ColouredPlanesFillTheirBytesAndNonePlanesNothing)
{
    ImageFrame frame = frameOf(3, 2, 4);
    for (int p = 0; p < 4; ++p)
        frame.at(p, 2, 1) = static_cast<std::uint16_t>(0x1100 * (p + 1));
    PlaneColours colours(4);
    colours.setColour(0, PlaneColour::Blue);
    colours.setColour(1, PlaneColour::Green);
    colours.setColour(2, PlaneColour::None);
    colours.setColour(3, PlaneColour::Blue); // a later plane of a colour wins
    std::vector<std::uint8_t> bytes(24);
    AviPixelConverter converter;
    ASSERT_TRUE(converter.convert(frame, {0, 0, 3, 2}, colours, bytes));
    EXPECT_EQ(pixel(bytes, 3, 2, 1), (std::array{0x44, 0x22, 0, 0})) << "row y − top, no red plane";
}

TEST(AviPixels, ARegionPastTheFrameLeavesItsOutsideBlack)
{
    ImageFrame frame = frameOf(4, 4, 1);
    std::fill(frame.sampleSpan().begin(), frame.sampleSpan().end(), std::uint16_t{0xFF00});
    PlaneColours colours(1);
    std::vector<std::uint8_t> bytes(4 * 3 * 4, 0x55);
    AviPixelConverter converter;
    ASSERT_TRUE(converter.convert(frame, {2, -1, 6, 2}, colours, bytes));
    EXPECT_EQ(pixel(bytes, 4, 0, 0), (std::array{0, 0, 0, 0})) << "row −1 is outside";
    EXPECT_EQ(pixel(bytes, 4, 1, 1), (std::array{0xFF, 0xFF, 0xFF, 0}));
    EXPECT_EQ(pixel(bytes, 4, 2, 1), (std::array{0, 0, 0, 0})) << "column 4 is outside";
    std::vector<std::uint8_t> small(47);
    EXPECT_FALSE(converter.convert(frame, {2, -1, 6, 2}, colours, small));
}
