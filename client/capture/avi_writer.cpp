#include "client/capture/avi_writer.h"

#include <cstring>

namespace velmora::client {

namespace {

constexpr std::uint32_t kKeyFrame = 0x10; // AVIIF_KEYFRAME
constexpr std::uint32_t kHasIndex = 0x10; // AVIF_HASINDEX
constexpr std::uint32_t kMicrosecondsPerFrame = 66667;
constexpr std::size_t kSuperIndexHeader = 24;
constexpr std::size_t kSuperIndexEntry = 16;
constexpr std::size_t kDmlhBytes = 248;
constexpr std::size_t kPartHeaderBytes = 24; // RIFF size "AVIX" LIST size "movi"

// Little-endian bytes, with the offsets of fields to fill in later.
class Bytes {
public:
    void u16(std::uint32_t v) { put(v, 2); }
    void u32(std::uint32_t v) { put(v, 4); }
    void u64(std::uint64_t v) { put(v, 8); }
    void fourcc(const char* code) { m_bytes.insert(m_bytes.end(), code, code + 4); }
    void zeros(std::size_t count) { m_bytes.insert(m_bytes.end(), count, 0); }
    std::size_t size() const { return m_bytes.size(); }
    std::vector<std::uint8_t>& bytes() { return m_bytes; }
    void setU32(std::size_t offset, std::uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            m_bytes[offset + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
    }

private:
    void put(std::uint64_t v, int count)
    {
        for (int i = 0; i < count; ++i)
            m_bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
    std::vector<std::uint8_t> m_bytes;
};

std::vector<std::uint8_t> u32Bytes(std::uint32_t v)
{
    Bytes b;
    b.u32(v);
    return std::move(b.bytes());
}

// Field offsets inside the header that headerBytes() builds.
constexpr std::uint64_t kAvihTotalFrames = 48;
constexpr std::uint64_t kStrhLength = 140;
constexpr std::uint64_t kSuperIndex = 212;

} // namespace

AviWriter::AviWriter(std::unique_ptr<RandomAccessFile> file, int width, int height, AviLimits limits)
    : m_file(std::move(file)), m_width(width), m_height(height), m_limits(limits),
      m_frameBytes(static_cast<std::uint32_t>(width) * static_cast<std::uint32_t>(height) * 4u)
{
    m_chunk.assign(8 + static_cast<std::size_t>(m_frameBytes), 0);
    std::memcpy(m_chunk.data(), "00db", 4);
    const std::vector<std::uint8_t> size = u32Bytes(m_frameBytes);
    std::memcpy(m_chunk.data() + 4, size.data(), 4);
}

AviWriter::~AviWriter()
{
    finish();
}

std::vector<std::uint8_t> AviWriter::headerBytes() const
{
    const auto w = static_cast<std::uint32_t>(m_width);
    const auto h = static_cast<std::uint32_t>(m_height);
    const std::size_t indxBytes = kSuperIndexHeader + kSuperIndexEntry * m_limits.superIndexEntries;
    const std::uint32_t strlBytes = 4 + (8 + 56) + (8 + 40) + 8 + static_cast<std::uint32_t>(indxBytes);
    const std::uint32_t odmlBytes = 4 + 8 + kDmlhBytes;
    const std::uint32_t hdrlBytes = 4 + (8 + 56) + (8 + strlBytes) + (8 + odmlBytes);
    Bytes b;
    b.fourcc("RIFF");
    b.u32(0);
    b.fourcc("AVI ");
    b.fourcc("LIST");
    b.u32(hdrlBytes);
    b.fourcc("hdrl");
    b.fourcc("avih");
    b.u32(56);
    b.u32(kMicrosecondsPerFrame);
    b.u32(m_frameBytes * kRate); // bytes per second
    b.u32(0);                    // padding granularity
    b.u32(kHasIndex);
    b.u32(0); // total frames of the first part, at kAvihTotalFrames
    b.u32(0); // initial frames
    b.u32(1); // streams
    b.u32(m_frameBytes);
    b.u32(w);
    b.u32(h);
    b.zeros(16);
    b.fourcc("LIST");
    b.u32(strlBytes);
    b.fourcc("strl");
    b.fourcc("strh");
    b.u32(56);
    b.fourcc("vids");
    b.fourcc("DIB ");
    b.u32(0); // flags
    b.u16(0); // priority
    b.u16(0); // language
    b.u32(0); // initial frames
    b.u32(1); // scale
    b.u32(kRate);
    b.u32(0);            // start
    b.u32(0);            // length, at kStrhLength
    b.u32(m_frameBytes); // suggested buffer size
    b.u32(0xFFFFFFFFu);  // quality: the default
    b.u32(m_frameBytes); // sample size
    b.u16(0);
    b.u16(0);
    b.u16(w);
    b.u16(h);
    b.fourcc("strf");
    b.u32(40);
    b.u32(40);
    b.u32(w);
    b.u32(h); // positive: rows from the bottom up
    b.u16(1);
    b.u16(32);
    b.u32(0); // no compression
    b.u32(m_frameBytes);
    b.zeros(16);
    b.fourcc("indx"); // at kSuperIndex
    b.u32(static_cast<std::uint32_t>(indxBytes));
    b.u16(4); // longs per entry
    b.u16(0); // sub-type 0, type AVI_INDEX_OF_INDEXES
    b.u32(0); // entries in use
    b.fourcc("00db");
    b.zeros(12 + kSuperIndexEntry * m_limits.superIndexEntries);
    b.fourcc("LIST");
    b.u32(odmlBytes);
    b.fourcc("odml");
    b.fourcc("dmlh");
    b.u32(kDmlhBytes);
    b.zeros(kDmlhBytes); // total frames first
    b.fourcc("LIST");
    b.u32(0);
    b.fourcc("movi");
    return std::move(b.bytes());
}

bool AviWriter::begin()
{
    if (m_begun)
        return m_error.empty();
    m_begun = true;
    const std::vector<std::uint8_t> header = headerBytes();
    m_superIndexOffset = kSuperIndex;
    m_dmlhOffset = header.size() - 12 - kDmlhBytes;
    if (!m_file->append(header))
        return fail("write");
    m_riffStart = 0;
    m_moviStart = header.size() - 12;
    m_segmentOpen = true;
    return true;
}

std::span<std::uint8_t> AviWriter::pixels()
{
    return std::span(m_chunk).subspan(8);
}

std::uint64_t AviWriter::segmentIndexBytes(std::size_t frames) const
{
    const std::uint64_t standard = 8 + 24 + 8 * static_cast<std::uint64_t>(frames);
    const std::uint64_t old = m_parts.empty() ? 8 + 16 * static_cast<std::uint64_t>(frames) : 0;
    return standard + old;
}

bool AviWriter::segmentHasRoomForFrame() const
{
    const std::uint64_t used = m_file->size() - m_riffStart;
    return used + m_chunk.size() + segmentIndexBytes(m_chunkOffsets.size() + 1) <= m_limits.riffBytes;
}

bool AviWriter::writeFrame()
{
    if (!m_segmentOpen || !m_error.empty())
        return false;
    if (!m_chunkOffsets.empty() && !segmentHasRoomForFrame()) {
        if (m_parts.size() + 1 >= m_limits.superIndexEntries)
            return fail("the video has reached its largest size");
        if (!closeSegment() || !openSegment())
            return false;
    }
    const std::uint64_t offset = m_file->size();
    if (!m_file->append(m_chunk)) {
        const std::string reason = m_file->error();
        m_file->truncate(offset); // the partial chunk goes; the frames before it stay
        return fail(reason);
    }
    m_chunkOffsets.push_back(offset);
    ++m_totalFrames;
    return true;
}

bool AviWriter::openSegment()
{
    Bytes b;
    b.fourcc("RIFF");
    b.u32(0);
    b.fourcc("AVIX");
    b.fourcc("LIST");
    b.u32(0);
    b.fourcc("movi");
    const std::uint64_t start = m_file->size();
    if (!m_file->append(b.bytes())) {
        m_file->truncate(start);
        return fail(m_file->error());
    }
    m_riffStart = start;
    m_moviStart = start + 12;
    m_segmentOpen = true;
    return true;
}

// "ix00" at the end of "movi", the list's size, "idx1" in the first part, the
// part's size; then the part joins the super index.
bool AviWriter::closeSegment()
{
    const auto frames = static_cast<std::uint32_t>(m_chunkOffsets.size());
    Bytes ix;
    ix.fourcc("ix00");
    ix.u32(24 + 8 * frames);
    ix.u16(2);     // longs per entry
    ix.u16(0x100); // sub-type 0, type AVI_INDEX_OF_CHUNKS
    ix.u32(frames);
    ix.fourcc("00db");
    ix.u64(m_moviStart);
    ix.u32(0);
    for (std::uint64_t offset : m_chunkOffsets) {
        ix.u32(static_cast<std::uint32_t>(offset + 8 - m_moviStart));
        ix.u32(m_frameBytes);
    }
    const std::uint64_t ixOffset = m_file->size();
    if (!m_file->append(ix.bytes()))
        return fail(m_file->error());
    const std::uint64_t moviEnd = m_file->size();
    if (m_parts.empty()) {
        Bytes old;
        old.fourcc("idx1");
        old.u32(16 * frames);
        for (std::uint64_t offset : m_chunkOffsets) {
            old.fourcc("00db");
            old.u32(kKeyFrame);
            old.u32(static_cast<std::uint32_t>(offset - (m_moviStart + 8)));
            old.u32(m_frameBytes);
        }
        if (!m_file->append(old.bytes()))
            return fail(m_file->error());
        m_firstPartFrames = frames;
    }
    const std::uint64_t end = m_file->size();
    if (!m_file->writeAt(m_moviStart + 4, u32Bytes(static_cast<std::uint32_t>(moviEnd - m_moviStart - 8))) ||
        !m_file->writeAt(m_riffStart + 4, u32Bytes(static_cast<std::uint32_t>(end - m_riffStart - 8))))
        return fail(m_file->error());
    m_parts.push_back({ixOffset, static_cast<std::uint32_t>(ix.size()), frames});
    m_chunkOffsets.clear();
    m_segmentOpen = false;
    return true;
}

// After a full disk the indexes may not fit: each frame taken back makes room.
bool AviWriter::closeSegmentDroppingFrames()
{
    const std::string reason = m_error; // the failure that ended the run, if any
    bool closed = false;
    for (;;) {
        m_error.clear();
        const std::uint64_t end =
            m_chunkOffsets.empty() ? m_moviStart + 12 : m_chunkOffsets.back() + m_chunk.size();
        m_file->truncate(end);
        closed = closeSegment();
        if (closed || m_chunkOffsets.empty())
            break;
        m_chunkOffsets.pop_back();
        --m_totalFrames;
    }
    if (!reason.empty())
        m_error = reason;
    return closed;
}

bool AviWriter::patchHeader()
{
    Bytes super;
    for (const PartIndex& part : m_parts) {
        super.u64(part.offset);
        super.u32(part.bytes);
        super.u32(part.frames);
    }
    return m_file->writeAt(kAvihTotalFrames, u32Bytes(m_firstPartFrames)) &&
           m_file->writeAt(kStrhLength, u32Bytes(m_totalFrames)) &&
           m_file->writeAt(m_superIndexOffset + 12, u32Bytes(static_cast<std::uint32_t>(m_parts.size()))) &&
           m_file->writeAt(m_superIndexOffset + kSuperIndexHeader + 8, super.bytes()) &&
           m_file->writeAt(m_dmlhOffset, u32Bytes(m_totalFrames));
}

bool AviWriter::finish()
{
    if (m_finished || !m_begun)
        return m_complete;
    m_finished = true;
    bool ok = (!m_segmentOpen || closeSegmentDroppingFrames()) && patchHeader();
    if (!ok)
        fail(m_file->error());
    if (!m_file->close()) {
        fail(m_file->error());
        ok = false;
    }
    m_complete = ok;
    return ok;
}

bool AviWriter::fail(const std::string& what)
{
    if (m_error.empty())
        m_error = what;
    return false;
}

} // namespace velmora::client
