// FITS files byte for byte, and the standard layout as FITS readers see it.
#include "client/capture/fits_writer.h"

#include "client/capture/output_file.h"
#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <filesystem>
#include <fstream>

using namespace velmora::client;

namespace {

ImageFrame frameOf(int width, int height, int planes, std::uint16_t fill = 0)
{
    ImageFrame frame;
    frame.Allocate(width, planes, height);
    std::fill(frame.sampleSpan().begin(), frame.sampleSpan().end(), fill);
    return frame;
}

std::string card(const std::string& header, int index)
{
    return header.substr(static_cast<std::size_t>(index) * 80, 80);
}

// A classic card as its columns say it must be.
void expectClassicCard(const std::string& c, const std::string& keyword, const std::string& value)
{
    ASSERT_EQ(c.size(), 80u);
    EXPECT_EQ(c.substr(0, 8), (keyword + std::string(8, ' ')).substr(0, 8)) << c;
    EXPECT_EQ(c[8], value.empty() ? ' ' : '=') << c;
    EXPECT_EQ(c.substr(9, 21), std::string(21 - value.size(), ' ') + value) << c;
    EXPECT_EQ(c[30], ' ');
    EXPECT_EQ(c[31], '/');
    EXPECT_EQ(c.substr(32, 46), std::string(46, ' '));
    EXPECT_EQ(c.substr(78), "\r\n");
}

std::vector<std::uint8_t> pack(const ImageFrame& frame, const PixelRect& region,
                               FitsLayout layout = FitsLayout::Classic, std::uint8_t clear = 0)
{
    std::vector<std::uint8_t> buffer(fitsRegionLayout(region).bytes(frame.planeCount()), clear);
    EXPECT_TRUE(PackFitsRegion(frame, region, buffer, layout));
    return buffer;
}

class FitsFiles : public ::testing::Test {
protected:
    std::string path(const std::string& name) const { return home.path() + "/" + name; }
    std::string write(const std::string& name, const ImageFrame& frame, bool split, FitsLayout layout)
    {
        std::vector<std::uint8_t> buffer;
        std::string error;
        const FitsObservation observation{std::chrono::sys_days{std::chrono::year{2024} / 5 / 17} +
                                              std::chrono::hours{21} + std::chrono::milliseconds{4250},
                                          1.5};
        EXPECT_TRUE(writeFitsFrame(
            frame, {0, 0, frame.width(), frame.height()}, buffer, split, layout, observation,
            [&](int) { return path(name); }, error))
            << error;
        return path(name);
    }
    velmora::testing::TempHome home;
};

} // namespace

TEST_F(FitsFiles, ASinglePlaneFrameIsTheHeaderBlockAndItsSamplesUnpadded)
{
    const ImageFrame frame = frameOf(640, 480, 1, 1000);
    const std::string file = write("one.fits", frame, false, FitsLayout::Classic);
    const std::string bytes = velmora::testing::readFile(file);
    ASSERT_EQ(bytes.size(), 2880u + 614400u);
    expectClassicCard(card(bytes, 0), "SIMPLE", "T");
    EXPECT_EQ(card(bytes, 0), "SIMPLE  =                    T /" + std::string(46, ' ') + "\r\n");
    expectClassicCard(card(bytes, 1), "BITPIX", "16");
    expectClassicCard(card(bytes, 2), "NAXIS", "2");
    expectClassicCard(card(bytes, 3), "NAXIS1", "640");
    expectClassicCard(card(bytes, 4), "NAXIS2", "480");
    expectClassicCard(card(bytes, 5), "END", "");
    for (int i = 6; i < 36; ++i)
        expectClassicCard(card(bytes, i), "", "");
    EXPECT_FALSE(std::filesystem::exists(file + ".part")) << "renamed into place";
}

TEST_F(FitsFiles, AThreePlaneFrameHasAThirdAxisAndTwentyNineBlankCards)
{
    const std::string header = FitsHeader({3, 320, 240, false});
    ASSERT_EQ(header.size(), 2880u);
    expectClassicCard(card(header, 2), "NAXIS", "3");
    expectClassicCard(card(header, 5), "NAXIS3", "3");
    expectClassicCard(card(header, 6), "END", "");
    for (int i = 7; i < 36; ++i)
        expectClassicCard(card(header, i), "", "");
    const std::string file = write("three.fits", frameOf(320, 240, 3), false, FitsLayout::Classic);
    EXPECT_EQ(std::filesystem::file_size(file), 2880u + 460800u);
    // The single-plane flag keeps two axes for one plane of it.
    const std::string single = FitsHeader({3, 320, 240, true});
    expectClassicCard(card(single, 2), "NAXIS", "2");
    expectClassicCard(card(single, 5), "END", "");
}

TEST(FitsPacking, SamplesAreHalvedBigEndianWithTheBottomRowFirst)
{
    ImageFrame frame = frameOf(3, 2, 1);
    frame.at(0, 0, 0) = 65535; // top-left of the region
    frame.at(0, 1, 0) = 1;
    frame.at(0, 2, 0) = 512;
    frame.at(0, 2, 1) = 0x1234;
    const std::vector<std::uint8_t> bytes = pack(frame, {0, 0, 3, 2});
    ASSERT_EQ(bytes.size(), 12u);
    // Row y = 1 (the bottom of the region) first; the top-left pixel opens the last row.
    EXPECT_EQ(bytes[4], 0x09);
    EXPECT_EQ(bytes[5], 0x1A);
    EXPECT_EQ(bytes[6], 0x7F);
    EXPECT_EQ(bytes[7], 0xFF);
    EXPECT_EQ(bytes[8], 0x00);
    EXPECT_EQ(bytes[9], 0x00);
    EXPECT_EQ(bytes[10], 0x01);
    EXPECT_EQ(bytes[11], 0x00);
    // Standard samples keep all 16 bits: sample − 32768 as a signed word.
    const std::vector<std::uint8_t> full = pack(frame, {0, 0, 3, 2}, FitsLayout::Standard);
    EXPECT_EQ(full[6], 0x7F);
    EXPECT_EQ(full[7], 0xFF);
    EXPECT_EQ(full[8], 0x80);
    EXPECT_EQ(full[9], 0x01);
}

TEST(FitsPacking, ARegionPastTheEdgeKeepsItsSizeAndTheClearedBytes)
{
    ImageFrame frame = frameOf(4, 4, 2, 0x0200);
    const PixelRect region{2, 3, 6, 6}; // 4 × 3, of which 2 × 1 lie in the frame
    EXPECT_EQ(fitsRegionLayout(region).rowStride, 8u);
    EXPECT_EQ(fitsRegionLayout(region).planeStride, 24u);
    const std::vector<std::uint8_t> bytes = pack(frame, region, FitsLayout::Classic, 0xEE);
    ASSERT_EQ(bytes.size(), 48u);
    for (std::size_t plane : {0u, 24u}) {
        // Frame row 3 is the region's top row: the last of the plane, columns 2 and 3 first.
        for (std::size_t i = 0; i < 24; ++i) {
            const bool inside = i >= 16 && i < 20;
            EXPECT_EQ(bytes[plane + i], inside ? (i % 2 == 0 ? 0x01 : 0x00) : 0xEE) << plane + i;
        }
    }
    const std::string header = FitsHeader({2, region.width(), region.height(), false});
    expectClassicCard(card(header, 3), "NAXIS1", "4");
    expectClassicCard(card(header, 4), "NAXIS2", "3");
    // A buffer too small for the planes is refused, untouched.
    std::vector<std::uint8_t> small(47, 0xAA);
    EXPECT_FALSE(PackFitsRegion(frame, region, small));
    EXPECT_EQ(std::count(small.begin(), small.end(), 0xAA), 47);
}

TEST_F(FitsFiles, AFailedWriteLeavesNoFileUnderTheFinalName)
{
    std::string error;
    const std::vector<std::uint8_t> data(10, 0);
    EXPECT_FALSE(
        writeFitsFile(path("missing/x.fits"), {1, 1, 5, false}, data, FitsLayout::Classic, {}, error));
    EXPECT_NE(error.find("No such file or directory"), std::string::npos) << error;
    // /dev/full accepts the file and fails every write: the temporary file goes, the old file stays.
    velmora::testing::writeFile(path("old.fits"), "previous");
    std::filesystem::create_symlink("/dev/full", path("old.fits.part"));
    EXPECT_FALSE(writeFitsFile(path("old.fits"), {1, 1, 5, false}, data, FitsLayout::Classic, {}, error));
    EXPECT_NE(error.find("No space left on device"), std::string::npos) << error;
    EXPECT_EQ(velmora::testing::readFile(path("old.fits")), "previous");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(path("old.fits.part"))));
}

TEST(StandardFits, HeaderCardsAreStandardAndPaddedToBlocks)
{
    const FitsObservation observation{std::chrono::sys_days{std::chrono::year{2024} / 5 / 17} +
                                          std::chrono::hours{21} + std::chrono::milliseconds{4250},
                                      0.25};
    const std::string header = StandardFitsHeader({3, 8, 4, false}, observation);
    ASSERT_EQ(header.size(), 2880u);
    EXPECT_EQ(card(header, 0), "SIMPLE  =                    T" + std::string(50, ' '));
    EXPECT_EQ(card(header, 5), "NAXIS3  =                    3" + std::string(50, ' '));
    EXPECT_EQ(card(header, 6), "BZERO   =                32768" + std::string(50, ' '));
    EXPECT_EQ(card(header, 7), "BSCALE  =                    1" + std::string(50, ' '));
    EXPECT_EQ(card(header, 8), "DATE-OBS= '2024-05-17T21:00:04.250'" + std::string(45, ' '));
    EXPECT_EQ(card(header, 9), "EXPTIME =                0.250" + std::string(50, ' '));
    EXPECT_EQ(card(header, 10), "END" + std::string(77, ' '));
    EXPECT_EQ(header.find_first_not_of(' ', 11 * 80), std::string::npos);
    EXPECT_EQ(header.find('\r'), std::string::npos);
}

// fitsverify (HEASARC) and cfitsio (imcopy) read what the standard layout writes.
TEST_F(FitsFiles, StandardFilesPassFitsverifyAndReadBackThroughCfitsio)
{
    ImageFrame one = frameOf(33, 17, 1, 20000);
    one.at(0, 4, 2) = 65535;
    ImageFrame three = frameOf(40, 30, 3, 100);
    three.at(2, 39, 29) = 65535;
    const std::string files[] = {write("one.fits", one, false, FitsLayout::Standard),
                                 write("three.fits", three, false, FitsLayout::Standard)};
    for (const std::string& file : files) {
        EXPECT_EQ(std::filesystem::file_size(file) % 2880, 0u);
        const auto result = velmora::testing::runProgram("/usr/bin/fitsverify", {"-e", file}, home.path());
        EXPECT_EQ(result.status, 0) << result.out << result.err;
        EXPECT_NE(result.out.find("Verification found 0 warning(s) and 0 error(s)."), std::string::npos)
            << result.out;
    }
    // Pixel (4, 2) is FITS pixel [5, 15] (rows from the bottom), read as a double
    // through cfitsio's pixel filter.
    const std::string copy = path("copy.fits");
    const auto result = velmora::testing::runProgram("/usr/bin/imcopy",
                                                     {files[0] + "[5:5,15:15][pixd X]", copy}, home.path());
    ASSERT_EQ(result.status, 0) << result.out << result.err;
    const std::string bytes = velmora::testing::readFile(copy);
    ASSERT_GE(bytes.size(), 2888u);
    const std::size_t data = bytes.find("END     ") / 2880 * 2880 + 2880;
    std::uint64_t word = 0;
    for (int i = 0; i < 8; ++i)
        word = word << 8 | static_cast<std::uint8_t>(bytes[data + static_cast<std::size_t>(i)]);
    EXPECT_EQ(std::bit_cast<double>(word), 65535.0);
}
