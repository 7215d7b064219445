#pragma once
// FITS files of frames: the header cards and the packing of a frame region into
// FITS sample order.
//
// The program's own layout ("classic"): 36 cards of 80 bytes, each with "/" in
// column 32 and CR LF in columns 79–80, SIMPLE, BITPIX 16, NAXIS, NAXIS1, NAXIS2
// (and NAXIS3 for several planes), END, blank cards; the data follow unpadded, each
// sample shifted right by one bit, big-endian, the region's bottom row first.
//
// "Standard FITS": the layout every FITS reader accepts: plain 80-byte cards, BZERO
// 32768 and BSCALE 1 so the full 16-bit samples are kept, DATE-OBS and EXPTIME, and
// header and data padded to 2880 bytes.

#include "client/image/image_frame.h"
#include "client/image/pixel_rect.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace velmora::client {

class OutputFile;

constexpr std::size_t kFitsBlockBytes = 2880;
constexpr std::size_t kFitsCardBytes = 80;

enum class FitsLayout { Classic, Standard };

// What a standard header says about the exposure.
struct FitsObservation {
    std::chrono::system_clock::time_point start; // DATE-OBS, UTC
    double exposureSeconds = 0.0;                // EXPTIME
};

// The header's axes: 2 when planeCount is 1 or singlePlane is set, else 3.
struct FitsShape {
    int planeCount = 1;
    int width = 0;
    int height = 0;
    bool singlePlane = false;

    int axes() const { return planeCount == 1 || singlePlane ? 2 : 3; }
    // Bytes of data the header announces.
    std::uint64_t dataBytes() const;
};

// The 2880 bytes of the classic header.
std::string FitsHeader(const FitsShape& shape);
// The standard header, a multiple of 2880 bytes.
std::string StandardFitsHeader(const FitsShape& shape, const FitsObservation& observation);
// "YYYY-MM-DDThh:mm:ss.sss" in UTC.
std::string fitsDateText(std::chrono::system_clock::time_point time);

// Writes the classic header's 36 cards.
bool WriteFitsHeader(OutputFile& file, int planeCount, int width, int height, bool singlePlane);

// The sample bytes of one region: row stride (right − left) × 2 and plane stride
// (bottom − top) × row stride, both of the unclipped region.
struct FitsRegionLayout {
    std::size_t rowStride = 0;
    std::size_t planeStride = 0;
    std::size_t bytes(int planeCount) const { return planeStride * static_cast<std::size_t>(planeCount); }
};
FitsRegionLayout fitsRegionLayout(const PixelRect& region);

// Every sample of every plane of the frame inside the region (clipped to the frame)
// at p × plane stride + (bottom − 1 − y) × row stride + (x − left) × 2; positions
// outside the frame are left as they are. Classic samples are shifted right by one,
// standard ones are stored as sample − 32768. False (nothing written) when the
// buffer is smaller than the frame's planes of the region need.
bool PackFitsRegion(const ImageFrame& frame, const PixelRect& region, std::span<std::uint8_t> buffer,
                    FitsLayout layout = FitsLayout::Classic);

// One file: header, data and, in the standard layout, the padding; written under a
// temporary name and renamed. False with the reason in error.
bool writeFitsFile(const std::string& path, const FitsShape& shape, std::span<const std::uint8_t> data,
                   FitsLayout layout, const FitsObservation& observation, std::string& error);

// A frame region as FITS files: the buffer (grown to the frame's planes when it is
// smaller) is cleared and packed, then written as one file named fileName(-1), or
// with `split` as one single-plane file per plane p named fileName(p). Stops at the
// first file that fails, with the reason in error.
bool writeFitsFrame(const ImageFrame& frame, const PixelRect& region, std::vector<std::uint8_t>& buffer,
                    bool split, FitsLayout layout, const FitsObservation& observation,
                    const std::function<std::string(int plane)>& fileName, std::string& error);

} // namespace velmora::client
