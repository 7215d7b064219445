// The AVI writer: structure byte for byte, OpenDML parts, a full disk, and what
// ffprobe (FFmpeg) reads back.
#include "client/capture/avi_writer.h"

#include "testing/run_program.h"
#include "testing/temp_home.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <sstream>

using namespace velmora::client;

namespace {

// A file in memory that takes at most `capacity` bytes, as a disk that fills up.
class MemoryFile : public RandomAccessFile {
public:
    MemoryFile(std::vector<std::uint8_t>& bytes, std::uint64_t capacity)
        : m_bytes(bytes), m_capacity(capacity)
    {
    }
    bool append(std::span<const std::uint8_t> data) override
    {
        const std::size_t room =
            static_cast<std::size_t>(m_capacity - std::min<std::uint64_t>(m_capacity, m_bytes.size()));
        m_bytes.insert(m_bytes.end(), data.begin(),
                       data.begin() + static_cast<std::ptrdiff_t>(std::min(room, data.size())));
        return room >= data.size() || fail("write: No space left on device");
    }
    bool writeAt(std::uint64_t offset, std::span<const std::uint8_t> data) override
    {
        if (offset + data.size() > m_bytes.size())
            return fail("write past the end");
        std::memcpy(m_bytes.data() + offset, data.data(), data.size());
        return true;
    }
    bool truncate(std::uint64_t size) override
    {
        m_bytes.resize(static_cast<std::size_t>(size));
        return true;
    }
    std::uint64_t size() const override { return m_bytes.size(); }
    bool close() override { return true; }
    const std::string& error() const override { return m_error; }

private:
    bool fail(const std::string& what)
    {
        m_error = what;
        return false;
    }
    std::vector<std::uint8_t>& m_bytes;
    std::uint64_t m_capacity;
    std::string m_error;
};

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<std::uint32_t>(b[at + 3]) << 24;
}
std::uint64_t u64(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return u32(b, at) | static_cast<std::uint64_t>(u32(b, at + 4)) << 32;
}
std::string fourcc(const std::vector<std::uint8_t>& b, std::size_t at)
{
    return std::string(reinterpret_cast<const char*>(b.data() + at), 4);
}

// What a reader finds walking the file: the RIFF parts, frames by index, counts.
struct Walk {
    std::vector<std::string> parts;          // "AVI ", "AVIX", …
    std::vector<std::uint64_t> partFrames;   // from each "ix00"
    std::vector<std::uint64_t> frameOffsets; // data of every frame, through the indexes
    std::size_t idx1Frames = 0;
    std::uint32_t avihFrames = 0;
    std::uint32_t strhLength = 0;
    std::uint32_t dmlhFrames = 0;
    std::uint32_t superEntries = 0;
};

Walk walk(const std::vector<std::uint8_t>& b)
{
    Walk w;
    w.avihFrames = u32(b, 48);
    w.strhLength = u32(b, 140);
    w.superEntries = u32(b, 224);
    for (std::size_t at = 0; at + 12 <= b.size();) {
        EXPECT_EQ(fourcc(b, at), "RIFF") << at;
        const std::size_t end = at + 8 + u32(b, at + 4);
        EXPECT_LE(end, b.size());
        w.parts.push_back(fourcc(b, at + 8));
        for (std::size_t c = at + 12; c + 8 <= end; c += 8 + ((u32(b, c + 4) + 1) & ~1u)) {
            const std::string id = fourcc(b, c);
            if (id == "LIST" && fourcc(b, c + 8) == "movi") {
                const std::size_t moviEnd = c + 8 + u32(b, c + 4);
                for (std::size_t m = c + 12; m + 8 <= moviEnd; m += 8 + u32(b, m + 4)) {
                    if (fourcc(b, m) != "ix00")
                        continue;
                    const std::uint64_t base = u64(b, m + 20);
                    const std::uint32_t n = u32(b, m + 12);
                    w.partFrames.push_back(n);
                    for (std::uint32_t i = 0; i < n; ++i)
                        w.frameOffsets.push_back(base + u32(b, m + 32 + 8 * i));
                }
            } else if (id == "LIST" && fourcc(b, c + 8) == "hdrl") {
                const std::size_t dmlh = c + 8 + u32(b, c + 4) - 248;
                EXPECT_EQ(fourcc(b, dmlh - 8), "dmlh");
                w.dmlhFrames = u32(b, dmlh);
            } else if (id == "idx1") {
                w.idx1Frames = u32(b, c + 4) / 16;
            }
        }
        at = end;
    }
    return w;
}

void fill(AviWriter& writer, std::uint8_t value)
{
    std::span<std::uint8_t> pixels = writer.pixels();
    std::fill(pixels.begin(), pixels.end(), value);
}

struct Probe {
    std::map<std::string, std::string> values;
};

// ffprobe's view of the video stream, with the frames counted by reading them.
Probe probe(const std::string& file, const std::string& folder)
{
    const auto result = velmora::testing::runProgram(
        "/usr/bin/ffprobe",
        {"-v", "warning", "-count_frames", "-select_streams", "v:0", "-show_entries",
         "stream=codec_name,width,height,r_frame_rate,nb_read_frames,pix_fmt", "-of",
         "default=noprint_wrappers=1", file},
        folder);
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.err, "") << "no warnings";
    Probe p;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t eq = line.find('=');
        if (eq != std::string::npos)
            p.values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return p;
}

} // namespace

TEST(AviWriter, HeadersDescribeOneUncompressedStreamAtFifteenFramesASecond)
{
    std::vector<std::uint8_t> bytes;
    AviWriter writer(std::make_unique<MemoryFile>(bytes, UINT64_MAX), 6, 4);
    ASSERT_TRUE(writer.begin());
    for (std::uint8_t frame = 1; frame <= 3; ++frame) {
        fill(writer, frame);
        ASSERT_TRUE(writer.writeFrame());
    }
    ASSERT_TRUE(writer.finish());
    EXPECT_EQ(fourcc(bytes, 0), "RIFF");
    EXPECT_EQ(u32(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(fourcc(bytes, 8), "AVI ");
    EXPECT_EQ(fourcc(bytes, 24), "avih");
    EXPECT_EQ(u32(bytes, 32), 66667u) << "microseconds per frame";
    EXPECT_EQ(u32(bytes, 32 + 24), 1u) << "streams";
    EXPECT_EQ(u32(bytes, 32 + 32), 6u);
    EXPECT_EQ(u32(bytes, 32 + 36), 4u);
    EXPECT_EQ(fourcc(bytes, 100), "strh");
    EXPECT_EQ(fourcc(bytes, 108), "vids");
    EXPECT_EQ(fourcc(bytes, 112), "DIB ");
    EXPECT_EQ(u32(bytes, 108 + 20), 1u) << "scale";
    EXPECT_EQ(u32(bytes, 108 + 24), 15u) << "rate";
    EXPECT_EQ(u32(bytes, 108 + 36), 96u) << "suggested buffer size";
    EXPECT_EQ(u32(bytes, 108 + 40), 0xFFFFFFFFu) << "default quality";
    EXPECT_EQ(u32(bytes, 108 + 44), 96u) << "sample size";
    EXPECT_EQ(u32(bytes, 108 + 48), 0u);
    EXPECT_EQ(u32(bytes, 108 + 52), 6u | 4u << 16) << "frame rectangle";
    EXPECT_EQ(fourcc(bytes, 164), "strf");
    EXPECT_EQ(u32(bytes, 168), 40u);
    EXPECT_EQ(u32(bytes, 172 + 4), 6u);
    EXPECT_EQ(u32(bytes, 172 + 8), 4u) << "positive height";
    EXPECT_EQ(u32(bytes, 172 + 12), 1u | 32u << 16) << "1 plane, 32 bits";
    EXPECT_EQ(u32(bytes, 172 + 16), 0u) << "no compression";
    EXPECT_EQ(u32(bytes, 172 + 20), 96u);

    const Walk w = walk(bytes);
    EXPECT_EQ(w.parts, std::vector<std::string>{"AVI "});
    EXPECT_EQ(w.avihFrames, 3u);
    EXPECT_EQ(w.strhLength, 3u);
    EXPECT_EQ(w.dmlhFrames, 3u);
    EXPECT_EQ(w.idx1Frames, 3u);
    EXPECT_EQ(w.superEntries, 1u);
    ASSERT_EQ(w.frameOffsets.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(fourcc(bytes, w.frameOffsets[i] - 8), "00db");
        EXPECT_EQ(u32(bytes, w.frameOffsets[i] - 4), 96u);
        EXPECT_EQ(bytes[w.frameOffsets[i]], i + 1);
        EXPECT_EQ(bytes[w.frameOffsets[i] + 95], i + 1);
    }
}

TEST(AviWriter, LongRunsContinueInAvixPartsListedByTheSuperIndex)
{
    std::vector<std::uint8_t> bytes;
    AviWriter writer(std::make_unique<MemoryFile>(bytes, UINT64_MAX), 8, 8, {4096, 64});
    ASSERT_TRUE(writer.begin());
    for (int frame = 0; frame < 40; ++frame) {
        fill(writer, static_cast<std::uint8_t>(frame));
        ASSERT_TRUE(writer.writeFrame());
    }
    ASSERT_TRUE(writer.finish());
    const Walk w = walk(bytes);
    ASSERT_GT(w.parts.size(), 3u);
    EXPECT_EQ(w.parts.front(), "AVI ");
    for (std::size_t i = 1; i < w.parts.size(); ++i)
        EXPECT_EQ(w.parts[i], "AVIX");
    EXPECT_EQ(w.superEntries, w.parts.size());
    EXPECT_EQ(w.idx1Frames, w.partFrames.front()) << "the old index covers the first part";
    EXPECT_EQ(w.avihFrames, w.partFrames.front());
    EXPECT_EQ(w.strhLength, 40u);
    EXPECT_EQ(w.dmlhFrames, 40u);
    ASSERT_EQ(w.frameOffsets.size(), 40u);
    for (std::size_t i = 0; i < 40; ++i)
        EXPECT_EQ(bytes[w.frameOffsets[i]], i) << "frame " << i << " in order";
    // Every part stays within its limit, its index included.
    std::size_t at = 0;
    while (at < bytes.size()) {
        EXPECT_LE(u32(bytes, at + 4) + 8u, 4096u);
        at += 8 + u32(bytes, at + 4);
    }
}

TEST(AviWriter, AFullDiskKeepsTheFramesWrittenAndAReadableFile)
{
    for (std::uint64_t capacity : {3000u, 3500u, 20000u}) {
        std::vector<std::uint8_t> bytes;
        AviWriter writer(std::make_unique<MemoryFile>(bytes, capacity), 8, 8, {4096, 64});
        ASSERT_TRUE(writer.begin());
        int written = 0;
        while (written < 1000) {
            fill(writer, static_cast<std::uint8_t>(written));
            if (!writer.writeFrame())
                break;
            ++written;
        }
        EXPECT_LT(written, 1000) << capacity;
        EXPECT_NE(writer.error().find("No space left on device"), std::string::npos) << writer.error();
        EXPECT_FALSE(writer.writeFrame()) << "a failed run takes no more frames";
        EXPECT_TRUE(writer.finish()) << capacity;
        EXPECT_LE(bytes.size(), capacity);
        const Walk w = walk(bytes);
        EXPECT_EQ(w.dmlhFrames, writer.framesWritten());
        EXPECT_EQ(w.frameOffsets.size(), writer.framesWritten());
        EXPECT_GE(static_cast<int>(writer.framesWritten()), written - 2)
            << "only frames that kept the index out go";
        for (std::size_t i = 0; i < w.frameOffsets.size(); ++i)
            EXPECT_EQ(bytes[w.frameOffsets[i] + 255], i);
    }
}

// FFmpeg reads the frames back: one part, and several OpenDML parts.
TEST(AviWriter, FfprobeReadsTheFrameCountSizeRateAndDepth)
{
    velmora::testing::TempHome home;
    for (const auto& [name, limits, frames] :
         {std::tuple{"one.avi", AviLimits{}, 7}, std::tuple{"parts.avi", AviLimits{20000, 64}, 31}}) {
        const std::string path = home.path() + "/" + name;
        std::string error;
        AviWriter writer(createDiskFile(path, error), 20, 12, limits);
        ASSERT_TRUE(writer.begin()) << error;
        for (int frame = 0; frame < frames; ++frame) {
            fill(writer, static_cast<std::uint8_t>(frame * 8));
            ASSERT_TRUE(writer.writeFrame());
        }
        ASSERT_TRUE(writer.finish()) << writer.error();
        const Probe p = probe(path, home.path());
        EXPECT_EQ(p.values.at("codec_name"), "rawvideo") << name;
        EXPECT_EQ(p.values.at("width"), "20");
        EXPECT_EQ(p.values.at("height"), "12");
        EXPECT_EQ(p.values.at("r_frame_rate"), "15/1");
        EXPECT_EQ(p.values.at("pix_fmt"), "bgra") << "32-bit raw pixels";
        EXPECT_EQ(p.values.at("nb_read_frames"), std::to_string(frames)) << name;
    }
}
