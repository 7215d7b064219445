#pragma once
// The calibration frame files ("Calibration Files (*.bmp)"): a 54-byte header in the
// shape of a bitmap's, little-endian, followed by the frame's sample block exactly as
// held in memory (plane after plane, row after row from row 0, 16-bit samples). Only
// this program reads them; they are not displayable bitmaps.
//
// Files come from disk and may be anything: the loader checks every header field and
// the file's length before it allocates, never reads past the file, and leaves the
// frame empty for anything that is not such a file.

#include "client/image/image_frame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace velmora::client {

constexpr std::size_t kCalibrationHeaderSize = 54;

// The header of a frame, byte for byte.
std::array<std::uint8_t, kCalibrationHeaderSize> calibrationHeader(const ImageFrame& frame);

struct CalibrationHeader {
    int width = 0;
    int height = 0;
    int planeCount = 0;
};
// The dimensions a header announces, when it is one of ours ("BM", 16 bits, no
// compression, the offset 54) for a frame no camera frame exceeds; nothing otherwise.
std::optional<CalibrationHeader> parseCalibrationHeader(std::span<const std::uint8_t> header);

// Load: true with the frame allocated and filled; false with the frame empty.
bool LoadCalibrationFile(const std::string& path, ImageFrame& frame);
// Save through a temporary file renamed over the old one: a failed save leaves the
// previous file as it was.
bool SaveCalibrationFile(const std::string& path, const ImageFrame& frame);

} // namespace velmora::client
