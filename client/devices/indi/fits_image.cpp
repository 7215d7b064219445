#include "client/devices/indi/fits_image.h"

#include <fitsio.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace velmora::client::indi {

namespace {

// Keeps the images a camera can send: a side of 2^16 and 2^28 samples at most.
constexpr long kMaxSide = 65536;
constexpr long long kMaxSamples = 1ll << 28;

struct FitsCloser {
    void operator()(fitsfile* file) const
    {
        int status = 0;
        fits_close_file(file, &status);
    }
};
using FitsFile = std::unique_ptr<fitsfile, FitsCloser>;

std::string errorText(const char* what, int status)
{
    char text[FLEN_STATUS] = {};
    fits_get_errstatus(status, text);
    return std::string(what) + ": " + text;
}

std::int32_t toSample(double value)
{
    if (std::isnan(value))
        return 0;
    if (value >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    if (value <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value); // truncates toward zero
}

// INDI's cameras write the top row first and say so; FITS's own order is bottom first.
bool storedTopDown(fitsfile* file)
{
    char value[FLEN_VALUE] = {};
    int status = 0;
    if (fits_read_key(file, TSTRING, "ROWORDER", value, nullptr, &status) != 0)
        return false;
    return std::strncmp(value, "TOP-DOWN", 8) == 0;
}

void flipRows(FitsImage& image)
{
    const std::size_t row = static_cast<std::size_t>(image.width);
    for (int p = 0; p < image.planes; ++p) {
        std::int32_t* plane = image.samples.data() + static_cast<std::size_t>(p) * row * image.height;
        for (int top = 0, bottom = image.height - 1; top < bottom; ++top, --bottom)
            std::swap_ranges(plane + top * row, plane + (top + 1) * row, plane + bottom * row);
    }
}

} // namespace

std::variant<FitsImage, FitsError> decodeFitsImage(std::span<const char> bytes)
{
    if (bytes.empty())
        return FitsError{"empty image"};
    // cfitsio reads the memory file in place and never writes to it when read-only.
    void* memory = const_cast<char*>(bytes.data());
    std::size_t size = bytes.size();
    fitsfile* opened = nullptr;
    int status = 0;
    if (fits_open_memfile(&opened, "blob.fits", READONLY, &memory, &size, 0, nullptr, &status) != 0)
        return FitsError{errorText("not a FITS image", status)};
    FitsFile file(opened);

    int axes = 0;
    long sides[3] = {1, 1, 1};
    if (fits_get_img_dim(file.get(), &axes, &status) != 0 ||
        fits_get_img_size(file.get(), 3, sides, &status) != 0)
        return FitsError{errorText("unreadable image header", status)};
    if (axes < 2 || axes > 3)
        return FitsError{"the image has " + std::to_string(axes) + " axes"};
    if (axes == 2)
        sides[2] = 1;
    if (sides[0] < 1 || sides[1] < 1 || sides[0] > kMaxSide || sides[1] > kMaxSide ||
        (sides[2] != 1 && sides[2] != 3))
        return FitsError{"unsupported image size"};
    const long long count = static_cast<long long>(sides[0]) * sides[1] * sides[2];
    if (count > kMaxSamples)
        return FitsError{"image too large"};

    // cfitsio does not notice a memory file that ends inside the data.
    int bitpix = 0;
    LONGLONG headerStart = 0, dataStart = 0, dataEnd = 0;
    if (fits_get_img_type(file.get(), &bitpix, &status) != 0 ||
        fits_get_hduaddrll(file.get(), &headerStart, &dataStart, &dataEnd, &status) != 0)
        return FitsError{errorText("unreadable image header", status)};
    const long long dataBytes = count * (std::abs(bitpix) / 8);
    if (dataStart < 0 || dataStart + dataBytes > static_cast<long long>(bytes.size()))
        return FitsError{"the image data is cut short"};

    std::vector<double> values(static_cast<std::size_t>(count));
    int anyNull = 0;
    long first[3] = {1, 1, 1};
    if (fits_read_pix(file.get(), TDOUBLE, first, count, nullptr, values.data(), &anyNull, &status) != 0)
        return FitsError{errorText("unreadable image data", status)};

    FitsImage image;
    image.width = static_cast<int>(sides[0]);
    image.height = static_cast<int>(sides[1]);
    image.planes = static_cast<int>(sides[2]);
    image.samples.resize(values.size());
    for (std::size_t i = 0; i < values.size(); ++i)
        image.samples[i] = toSample(values[i]);
    if (storedTopDown(file.get()))
        flipRows(image);
    return image;
}

} // namespace velmora::client::indi
