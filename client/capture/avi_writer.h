#pragma once
// An uncompressed AVI video written frame by frame: one video stream "vids" with
// handler "DIB ", 15 frames a second, a 40-byte bitmap header of 32 bits per pixel,
// every frame a key frame. Files may grow past 1 GiB and past 4 GiB through the
// OpenDML extension: the first RIFF "AVI " part carries the old "idx1" index, the
// parts after it are RIFF "AVIX", every part has a standard index "ix00" that the
// super index "indx" lists, and "dmlh" holds the total frame count.
//
// Each frame is one "00db" chunk written with one write call from a buffer that is
// allocated once. A failed write (a full disk) takes the partial chunk back; finish()
// then still writes the indexes, dropping the newest frames if that is what it takes
// to make room, so the file stays readable with the frames it holds.

#include "client/capture/output_file.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace velmora::client {

struct AviLimits {
    // A RIFF part closes before it would pass this size (readers expect 1 GiB).
    std::uint64_t riffBytes = std::uint64_t{1} << 30;
    // Room kept in the super index: parts per file.
    std::uint32_t superIndexEntries = 1024;
};

class AviWriter {
public:
    static constexpr std::uint32_t kRate = 15;

    AviWriter(std::unique_ptr<RandomAccessFile> file, int width, int height, AviLimits limits = {});
    ~AviWriter();
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;

    // The headers; false with error() when they could not be written.
    bool begin();
    // The pixels of the next frame: width × height × 4 bytes (blue, green, red, 0).
    std::span<std::uint8_t> pixels();
    // Appends the pixels as the next frame.
    bool writeFrame();
    // Indexes, sizes and counts, then closes the file; idempotent. True when the file
    // is complete and readable (error() may still tell why the run ended early).
    bool finish();

    std::uint32_t frameBytes() const { return m_frameBytes; }
    std::uint32_t framesWritten() const { return m_totalFrames; }
    // RIFF parts so far.
    std::size_t riffParts() const { return m_parts.size() + (m_segmentOpen ? 1 : 0); }
    const std::string& error() const { return m_error; }

private:
    struct PartIndex {
        std::uint64_t offset = 0; // of the "ix00" chunk
        std::uint32_t bytes = 0;  // the chunk with its header
        std::uint32_t frames = 0;
    };
    std::vector<std::uint8_t> headerBytes() const;
    bool openSegment();
    bool closeSegment();
    bool closeSegmentDroppingFrames();
    bool segmentHasRoomForFrame() const;
    std::uint64_t segmentIndexBytes(std::size_t frames) const;
    bool patchHeader();
    bool fail(const std::string& what);

    std::unique_ptr<RandomAccessFile> m_file;
    int m_width;
    int m_height;
    AviLimits m_limits;
    std::uint32_t m_frameBytes;
    std::vector<std::uint8_t> m_chunk; // "00db", size, pixels
    std::vector<PartIndex> m_parts;
    std::vector<std::uint64_t> m_chunkOffsets; // this part's frames
    std::uint64_t m_riffStart = 0;
    std::uint64_t m_moviStart = 0; // the "LIST" of this part's "movi"
    std::uint64_t m_superIndexOffset = 0;
    std::uint64_t m_dmlhOffset = 0;
    std::uint32_t m_firstPartFrames = 0;
    std::uint32_t m_totalFrames = 0;
    bool m_segmentOpen = false;
    bool m_begun = false;
    bool m_finished = false;
    bool m_complete = false;
    std::string m_error;
};

} // namespace velmora::client
