#pragma once
// The primary image of a FITS file held in memory (an INDI camera's BLOB), decoded
// with cfitsio into the camera's sample layout: x fastest, then y from the top row,
// then plane.

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
// Rows are stored top row first unless the header says ROWORDER = 'BOTTOM-UP'.
std::variant<FitsImage, FitsError> decodeFitsImage(std::span<const char> bytes);

} // namespace velmora::client::indi
