#include "client/devices/indi/fits_image.h"

#include <fitsio.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

namespace velmora::client::indi {
namespace {

// A FITS file in memory, written by cfitsio itself.
template <class T>
std::vector<char> fitsFile(int bitpix, int datatype, std::vector<long> sides, const std::vector<T>& values,
                           const char* rowOrder = nullptr, double bzero = 0)
{
    std::size_t size = 2880;
    void* memory = std::malloc(size);
    fitsfile* file = nullptr;
    int status = 0;
    fits_create_memfile(&file, &memory, &size, 2880, std::realloc, &status);
    fits_create_img(file, bitpix, static_cast<int>(sides.size()), sides.data(), &status);
    if (bzero != 0)
        fits_update_key(file, TDOUBLE, "BZERO", &bzero, nullptr, &status);
    if (rowOrder)
        fits_update_key(file, TSTRING, "ROWORDER", const_cast<char*>(rowOrder), nullptr, &status);
    long first[3] = {1, 1, 1};
    fits_write_pix(file, datatype, first, static_cast<LONGLONG>(values.size()), const_cast<T*>(values.data()),
                   &status);
    fits_close_file(file, &status);
    EXPECT_EQ(status, 0);
    std::vector<char> bytes(static_cast<char*>(memory), static_cast<char*>(memory) + size);
    std::free(memory);
    return bytes;
}

// A 16-bit image header of the given sides, with zero data for all but huge ones.
std::vector<char> handWrittenFits(const std::vector<long>& sides)
{
    std::string header(2880, ' ');
    int n = 0;
    auto card = [&](const std::string& key, const std::string& value) {
        std::string text = key;
        text.resize(8, ' ');
        text += "= " + std::string(20 - std::min<std::size_t>(20, value.size()), ' ') + value;
        header.replace(80 * n++, text.size(), text);
    };
    card("SIMPLE", "T");
    card("BITPIX", "16");
    card("NAXIS", std::to_string(sides.size()));
    long long count = 1;
    for (std::size_t i = 0; i < sides.size(); ++i) {
        card("NAXIS" + std::to_string(i + 1), std::to_string(sides[i]));
        count *= sides[i];
    }
    header.replace(80 * n, 3, "END");
    std::vector<char> bytes(header.begin(), header.end());
    if (count < 1000000)
        bytes.resize(bytes.size() + (count * 2 + 2879) / 2880 * 2880, 0);
    return bytes;
}

FitsImage image(const std::variant<FitsImage, FitsError>& decoded)
{
    if (const auto* error = std::get_if<FitsError>(&decoded)) {
        ADD_FAILURE() << error->message;
        return {};
    }
    return std::get<FitsImage>(decoded);
}

TEST(FitsImage, SixteenBitUnsignedSamplesComeBackWithTheirPhysicalValuesBottomRowFirst)
{
    // USHORT_IMG is stored as signed 16 bits with BZERO 32768.
    const std::vector<unsigned short> values = {0, 1, 32767, 32768, 65535, 1234};
    const auto bytes = fitsFile(USHORT_IMG, TUSHORT, {3, 2}, values);
    const FitsImage decoded = image(decodeFitsImage(bytes));
    EXPECT_EQ(decoded.width, 3);
    EXPECT_EQ(decoded.height, 2);
    EXPECT_EQ(decoded.planes, 1);
    EXPECT_EQ(decoded.samples, (std::vector<std::int32_t>{0, 1, 32767, 32768, 65535, 1234}));
}

TEST(FitsImage, TopDownRowsAreTurnedOverAndColourPlanesKeepTheirOrder)
{
    const std::vector<unsigned char> rgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}; // 2×2, three planes
    const auto bytes = fitsFile(BYTE_IMG, TBYTE, {2, 2, 3}, rgb, "TOP-DOWN");
    const FitsImage decoded = image(decodeFitsImage(bytes));
    EXPECT_EQ(decoded.planes, 3);
    EXPECT_EQ(decoded.samples, (std::vector<std::int32_t>{3, 4, 1, 2, 7, 8, 5, 6, 11, 12, 9, 10}));
    // Said to be bottom first already: kept as it is.
    EXPECT_EQ(image(decodeFitsImage(fitsFile(BYTE_IMG, TBYTE, {2, 2, 3}, rgb, "BOTTOM-UP"))).samples,
              std::vector<std::int32_t>(rgb.begin(), rgb.end()));
}

TEST(FitsImage, FloatSamplesTruncateTowardZeroAndSaturate)
{
    const std::vector<double> values = {1.9, -1.9, 3e10, -3e10};
    const auto bytes = fitsFile(DOUBLE_IMG, TDOUBLE, {4, 1}, values);
    EXPECT_EQ(image(decodeFitsImage(bytes)).samples,
              (std::vector<std::int32_t>{1, -1, 2147483647, -2147483647 - 1}));
}

TEST(FitsImage, DamagedOrUnsupportedFilesGiveAnErrorNotACrash)
{
    EXPECT_TRUE(std::holds_alternative<FitsError>(decodeFitsImage({})));
    const std::string garbage(5000, 'x');
    EXPECT_TRUE(std::holds_alternative<FitsError>(decodeFitsImage(garbage)));

    const std::vector<unsigned short> values(64 * 64, 7);
    auto bytes = fitsFile(USHORT_IMG, TUSHORT, {64, 64}, values);
    // Cut inside the data.
    const std::vector<char> truncated(bytes.begin(), bytes.begin() + 2880 + 100);
    EXPECT_TRUE(std::holds_alternative<FitsError>(decodeFitsImage(truncated)));
    ASSERT_TRUE(
        std::holds_alternative<FitsImage>(decodeFitsImage(handWrittenFits({3, 2})))); // the shape is sound
    // One axis, four axes, two planes, and more than a camera sends.
    for (const std::vector<long>& sides :
         std::vector<std::vector<long>>{{8}, {2, 2, 1, 2}, {2, 2, 2}, {100000, 100000}}) {
        SCOPED_TRACE(sides.size());
        EXPECT_TRUE(std::holds_alternative<FitsError>(decodeFitsImage(handWrittenFits(sides))));
    }
}

} // namespace
} // namespace velmora::client::indi
