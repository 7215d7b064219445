// The format page's lists and choice: pixel formats, their sizes and rates, preselected
// at the format in use.
#include "server/camera/format_page.h"

#include <gtest/gtest.h>

namespace velmora::server {
namespace {

using platform::FrameSizeOption;
using platform::VideoFormat;
using Texts = std::vector<std::string>;

std::vector<FrameSizeOption> webcamOptions()
{
    return {{320, 240, {333'333, 2'000'000}, "YUYV 4:2:2"},
            {640, 480, {666'666, 2'000'000}, "YUYV 4:2:2"},
            {640, 480, {333'333}, "Motion-JPEG"},
            {1280, 720, {333'333, 666'666}, "Motion-JPEG"}};
}

TEST(FormatPageTest, PreselectsTheFormatInUse)
{
    FormatPage page(webcamOptions(), {1280, 720, 700'000});
    EXPECT_EQ(page.pixelFormats(), (Texts{"YUYV 4:2:2", "Motion-JPEG"}));
    EXPECT_EQ(page.pixelFormat(), 1) << "the first pixel format that offers 1280 x 720";
    EXPECT_EQ(page.sizeTexts(), (Texts{"640 x 480", "1280 x 720"}));
    EXPECT_EQ(page.size(), 1);
    EXPECT_EQ(page.rateTexts(), (Texts{"30.000", "15.000"}));
    EXPECT_EQ(page.rate(), 1) << "the nearest period";
    EXPECT_EQ(page.chosen(), (VideoFormat{1280, 720, 666'666}));
}

TEST(FormatPageTest, ChangingThePixelFormatOrSizeKeepsWhatStillFits)
{
    FormatPage page(webcamOptions(), {640, 480, 2'000'000});
    EXPECT_EQ(page.pixelFormat(), 0);
    EXPECT_EQ(page.chosen(), (VideoFormat{640, 480, 2'000'000}));
    page.selectPixelFormat(1);
    EXPECT_EQ(page.chosen(), (VideoFormat{640, 480, 333'333})) << "the same size, its only rate";
    page.selectSize(1);
    EXPECT_EQ(page.chosen(), (VideoFormat{1280, 720, 333'333}));
    page.selectRate(1);
    EXPECT_EQ(page.chosen(), (VideoFormat{1280, 720, 666'666}));
    page.selectPixelFormat(0);
    EXPECT_EQ(page.chosen(), (VideoFormat{640, 480, 666'666})) << "the nearest size and rate";
    page.selectRate(7);
    page.selectSize(-1);
    EXPECT_EQ(page.chosen(), (VideoFormat{640, 480, 666'666})) << "indices outside the lists change nothing";
}

TEST(FormatPageTest, ADeviceWithoutRatesOrFormatsIsHandled)
{
    FormatPage quiet({{800, 600, {}, "BGR24"}}, {640, 480, 2'000'000});
    EXPECT_EQ(quiet.rateTexts(), (Texts{"5.000"})) << "the rate in use";
    EXPECT_EQ(quiet.chosen(), (VideoFormat{800, 600, 2'000'000}));
    FormatPage none({}, {640, 480, 2'000'000});
    EXPECT_TRUE(none.pixelFormats().empty());
    EXPECT_FALSE(none.chosen());
}

} // namespace
} // namespace velmora::server
