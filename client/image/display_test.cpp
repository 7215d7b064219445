#include "client/image/display_converter.h"
#include "client/image/histogram_graph_layout.h"
#include "client/image/overlay_painter.h"
#include "client/image/plane_colours.h"
#include "client/shell/memory_settings_store.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace velmora::client {
namespace {

// A surface over an owned buffer, with optional padding at the end of every line.
struct Buffer {
    Buffer(int w, int h, PixelPacking packing, int padding = 0)
        : bytes(static_cast<std::size_t>((w * bytesPerPixel(packing) + padding) * h), 0xAB)
    {
        surface = {bytes.data(), w, h, w * bytesPerPixel(packing) + padding, packing};
    }
    // The pixel shown for image point (x, y), row 0 of the image at the bottom.
    std::uint32_t imagePixel(int x, int y) const
    {
        std::uint32_t value = 0;
        const int size = bytesPerPixel(surface.packing);
        std::memcpy(&value, surface.line(surface.height - 1 - y) + x * size, static_cast<std::size_t>(size));
        return value;
    }
    std::vector<std::uint8_t> bytes;
    DisplaySurface surface;
};

ImageFrame frameOf(int w, int h, int planes, std::uint16_t fill)
{
    ImageFrame frame;
    frame.Allocate(w, planes, h);
    for (auto& s : frame.sampleSpan())
        s = fill;
    return frame;
}

const std::vector<PlaneColour> kWhite{PlaneColour::White};

TEST(DisplayConverterTest, GreyPackingsWithRowZeroAtTheBottom)
{
    ImageFrame frame = frameOf(2, 2, 1, 0);
    frame.at(0, 0, 0) = 0xFFFF;
    frame.at(0, 1, 0) = 0x8421;
    frame.at(0, 0, 1) = 0x1234;
    DisplayConverter converter;

    Buffer b32(2, 2, PixelPacking::Bgrx32);
    ASSERT_TRUE(converter.convert(frame, kWhite, b32.surface));
    EXPECT_EQ(b32.imagePixel(0, 0), 0x00FFFFFFu);
    EXPECT_EQ(b32.imagePixel(1, 0), 0x00848484u);
    EXPECT_EQ(b32.imagePixel(0, 1), 0x00121212u);
    EXPECT_EQ(b32.bytes[8 + 0], 0xFF) << "image row 0 is the last buffer line";

    Buffer b24(2, 2, PixelPacking::Bgr24);
    ASSERT_TRUE(converter.convert(frame, kWhite, b24.surface));
    EXPECT_EQ(b24.imagePixel(1, 0), 0x848484u);

    Buffer b16(2, 2, PixelPacking::Rgb565);
    ASSERT_TRUE(converter.convert(frame, kWhite, b16.surface));
    EXPECT_EQ(b16.imagePixel(0, 0), 0xFFFFu);
    EXPECT_EQ(b16.imagePixel(1, 0), (16u << 11) | (33u << 5) | 16u)
        << "red g>>11, green (g>>10)&63, blue g>>11";
}

TEST(DisplayConverterTest, TwoWhitePlanesAndOneRedDisplayGreyFromTheWhitePlanesOnly)
{
    ImageFrame frame = frameOf(1, 1, 3, 0);
    frame.at(0, 0, 0) = 0x4000;
    frame.at(1, 0, 0) = 0x8000;
    frame.at(2, 0, 0) = 0xFFFF;
    const std::vector<PlaneColour> colours{PlaneColour::White, PlaneColour::White, PlaneColour::Red};
    DisplayConverter converter;
    Buffer b24(1, 1, PixelPacking::Bgr24);
    ASSERT_TRUE(converter.convert(frame, colours, b24.surface));
    EXPECT_EQ(b24.imagePixel(0, 0), 0x606060u);
    Buffer b16(1, 1, PixelPacking::Rgb565);
    ASSERT_TRUE(converter.convert(frame, colours, b16.surface));
    EXPECT_EQ(b16.imagePixel(0, 0), (0x6000u >> 11) << 11 | ((0x6000u >> 10) & 63) << 5 | (0x6000u >> 11));
}

TEST(DisplayConverterTest, ColourPlanesFillTheirChannelsAndNoneIsLeftOut)
{
    ImageFrame frame = frameOf(1, 1, 4, 0);
    frame.at(0, 0, 0) = 0xF000; // Red
    frame.at(1, 0, 0) = 0x0FC0; // Green
    frame.at(2, 0, 0) = 0xFFFF; // None
    frame.at(3, 0, 0) = 0x1800; // Blue
    const std::vector<PlaneColour> colours{PlaneColour::Red, PlaneColour::Green, PlaneColour::None,
                                           PlaneColour::Blue};
    DisplayConverter converter;
    Buffer b32(1, 1, PixelPacking::Bgrx32);
    ASSERT_TRUE(converter.convert(frame, colours, b32.surface));
    EXPECT_EQ(b32.imagePixel(0, 0), 0x00F00F18u);
    Buffer b16(1, 1, PixelPacking::Rgb565);
    ASSERT_TRUE(converter.convert(frame, colours, b16.surface));
    EXPECT_EQ(b16.imagePixel(0, 0), (0xF000u & 0xF800) | ((0x0FC0u >> 5) & 0x7E0) | (0x1800u >> 11));
}

TEST(DisplayConverterTest, RefusesMismatchedSurfacesAndKeepsLinePadding)
{
    const ImageFrame frame = frameOf(3, 2, 1, 0x2000);
    DisplayConverter converter;
    Buffer wrong(3, 3, PixelPacking::Bgrx32);
    EXPECT_FALSE(converter.convert(frame, kWhite, wrong.surface));
    EXPECT_EQ(wrong.bytes[0], 0xAB);
    Buffer shortLines(3, 2, PixelPacking::Bgr24);
    shortLines.surface.bytesPerLine = 8;
    EXPECT_FALSE(converter.convert(frame, kWhite, shortLines.surface));
    DisplaySurface none{nullptr, 3, 2, 12, PixelPacking::Bgrx32};
    EXPECT_FALSE(converter.convert(frame, kWhite, none));

    Buffer padded(3, 2, PixelPacking::Bgr24, 3);
    ASSERT_TRUE(converter.convert(frame, {}, padded.surface)) << "planes without a code count as White";
    EXPECT_EQ(padded.imagePixel(2, 1), 0x202020u);
    EXPECT_EQ(padded.bytes[9], 0xAB);
    EXPECT_EQ(padded.bytes[11], 0xAB);
}

TEST(OverlayPainterTest, SquareOutlineDiagonalsAndPlusMark)
{
    Buffer b(12, 10, PixelPacking::Bgrx32, 0);
    std::fill(b.bytes.begin(), b.bytes.end(), 0);
    const RgbColour green{0, 255, 0};
    DrawRectOutline(b.surface, {2, 1, 7, 5}, green, false);
    const std::uint32_t g = 0x00FF00;
    for (int x = 2; x <= 6; ++x) {
        EXPECT_EQ(b.imagePixel(x, 1), g) << x;
        EXPECT_EQ(b.imagePixel(x, 4), g) << x;
    }
    for (int y = 1; y <= 4; ++y) {
        EXPECT_EQ(b.imagePixel(2, y), g) << y;
        EXPECT_EQ(b.imagePixel(6, y), g) << y;
    }
    EXPECT_EQ(b.imagePixel(7, 1), 0u) << "right is exclusive";
    EXPECT_EQ(b.imagePixel(4, 2), 0u) << "inside stays clear";

    DrawRectOutline(b.surface, {2, 1, 7, 5}, green, true);
    EXPECT_EQ(b.imagePixel(4, 2), 0u);
    EXPECT_EQ(b.imagePixel(3, 2), g);
    EXPECT_EQ(b.imagePixel(5, 2), g);

    std::fill(b.bytes.begin(), b.bytes.end(), 0);
    DrawPlusMark(b.surface, 5, 5, RgbColour{255, 0, 0});
    int lit = 0;
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 12; ++x)
            lit += b.imagePixel(x, y) != 0;
    EXPECT_EQ(lit, 13);
    EXPECT_EQ(b.imagePixel(2, 5), 0xFF0000u);
    EXPECT_EQ(b.imagePixel(5, 8), 0xFF0000u);
    EXPECT_EQ(b.imagePixel(1, 5), 0u);
}

TEST(OverlayPainterTest, OverlaysReachingPastTheSurfaceAreClipped)
{
    Buffer b(8, 8, PixelPacking::Rgb565, 2);
    std::fill(b.bytes.begin(), b.bytes.end(), 0);
    SquareOverlay overlay{{-20, -3, 5, 40}, {255, 255, 255}, true, true, 0, 7};
    DrawSquareOverlay(b.surface, overlay);
    EXPECT_EQ(b.imagePixel(4, 0), 0xFFFFu) << "right edge at x = 4";
    EXPECT_EQ(b.imagePixel(1, 7), 0xFFFFu) << "plus mark arm";
    for (int y = 0; y < 8; ++y)
        EXPECT_EQ(b.bytes[static_cast<std::size_t>(y * 18 + 16)], 0) << "padding untouched";
    std::fill(b.bytes.begin(), b.bytes.end(), 0);
    DrawLine(b.surface, -2000000000, -2000000000, 2000000000, 2000000000, {255, 0, 0});
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(b.imagePixel(i, i), 0xF800u) << "a far-reaching line is clipped to the diagonal";
    EXPECT_EQ(b.imagePixel(1, 0), 0u);
}

TEST(HistogramGraphLayoutTest, BarsAndLevelMarks)
{
    EXPECT_EQ(levelMarkX(0), 2);
    EXPECT_EQ(levelMarkX(65535), 213);
    EXPECT_EQ(levelMarkX(32768), 108);
    std::vector<std::int32_t> reduced(53, 0);
    reduced[0] = 50;
    reduced[1] = 100;
    reduced[52] = 1;
    const auto linear = histogramBars(reduced, 100, 120, false);
    EXPECT_EQ(linear[0].x, 2);
    EXPECT_EQ(linear[52].x, 210);
    EXPECT_EQ(linear[1].width, 3);
    EXPECT_EQ(linear[0].height, 60);
    EXPECT_EQ(linear[1].height, 120);
    EXPECT_EQ(linear[2].height, 0);
    EXPECT_EQ(linear[52].height, 1);
    const auto log = histogramBars(reduced, 100, 120, true);
    EXPECT_EQ(log[0].height, static_cast<int>(120 * std::log(51.0) / std::log(101.0)));
    EXPECT_EQ(log[52].height, static_cast<int>(120 * std::log(2.0) / std::log(101.0)));
    const auto empty = histogramBars(reduced, 0, 120, false);
    EXPECT_EQ(empty[1].height, 0);
}

TEST(DisplaySurfaceTest, ColourPacking)
{
    EXPECT_EQ(packColour({0, 255, 0}, PixelPacking::Rgb565), 0x07E0u);
    EXPECT_EQ(packColour({255, 0, 0}, PixelPacking::Rgb565), 0xF800u);
    EXPECT_EQ(packColour({0, 0, 255}, PixelPacking::Bgr24), 0x0000FFu);
    EXPECT_EQ(packColour({255, 0, 255}, PixelPacking::Bgrx32), 0xFF00FFu);
}

TEST(PlaneColoursTest, TableIsReadPerPlaneCountWithDefaultsAndFallbacks)
{
    MemorySettingsStore store;
    store.writeInt("Hardware", "Color-3-0", 2);
    store.writeInt("Hardware", "Color-3-1", 9); // not a colour code
    store.writeString("Hardware", "Caption-3-2", "Blue sky");
    store.writeInt("Hardware", "Color-1-0", 0); // another plane count's table
    PlaneColours colours;
    colours.load(store, 3);
    EXPECT_EQ(colours.colours(),
              (std::vector<PlaneColour>{PlaneColour::Red, PlaneColour::White, PlaneColour::White}));
    EXPECT_EQ(colours.caption(0), "Plane 1");
    EXPECT_EQ(colours.caption(2), "Blue sky");
    EXPECT_EQ(colours.colour(5), PlaneColour::White);
    EXPECT_EQ(colours.caption(5), "");

    colours.setColour(1, PlaneColour::None);
    colours.setCaption(0, "Luma");
    MemorySettingsStore saved;
    colours.save(saved);
    EXPECT_EQ(saved.readInt("Hardware", "Color-3-1", -1), 4);
    EXPECT_EQ(saved.readString("Hardware", "Caption-3-0", ""), "Luma");
    EXPECT_EQ(saved.size(), 6u);
    EXPECT_EQ(graphColour(PlaneColour::None), (RgbColour{150, 150, 150}));
    EXPECT_EQ(graphColour(PlaneColour::Green), (RgbColour{0, 255, 0}));
}

} // namespace
} // namespace velmora::client
