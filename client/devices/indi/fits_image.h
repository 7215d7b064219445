#pragma once
// The primary image of a FITS file held in memory (an INDI camera's BLOB), decoded
// with cfitsio into the camera's sample layout: x fastest, then y from the bottom row
// (the order of FITS itself, of our own camera's frames and of the image window, which
// draws row 0 at the bottom), then plane.

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace velmora::client::indi {

struct FitsImage {
    int width = 0;
    int height = 0;
    int planes = 1;
    std::vector<std::int32_t> samples;
};

struct FitsError {
    std::string message;
};

// Physical values (BZERO and BSCALE applied), truncated toward zero and saturated to
// 32 bits. Images of two axes, or of three with one or three planes, are accepted.
// A file whose header says ROWORDER = 'TOP-DOWN' (INDI's cameras) is turned over.
std::variant<FitsImage, FitsError> decodeFitsImage(std::span<const char> bytes);

} // namespace velmora::client::indi
