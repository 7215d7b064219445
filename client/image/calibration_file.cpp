#include "client/image/calibration_file.h"

#include <bit>
#include <cstdio>
#include <vector>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora::client {

namespace {

void put16(std::uint8_t* at, std::uint32_t value)
{
    at[0] = static_cast<std::uint8_t>(value);
    at[1] = static_cast<std::uint8_t>(value >> 8);
}

void put32(std::uint8_t* at, std::uint32_t value)
{
    put16(at, value);
    put16(at + 2, value >> 16);
}

std::uint32_t get16(const std::uint8_t* at)
{
    return at[0] | static_cast<std::uint32_t>(at[1]) << 8;
}

std::uint32_t get32(const std::uint8_t* at)
{
    return get16(at) | get16(at + 2) << 16;
}

// Reads exactly `size` bytes; false on a short file or an error.
bool readExactly(int fd, void* buffer, std::size_t size)
{
    auto* out = static_cast<std::uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t got = ::read(fd, out, size);
        if (got <= 0)
            return false;
        out += got;
        size -= static_cast<std::size_t>(got);
    }
    return true;
}

bool writeAll(int fd, const void* buffer, std::size_t size)
{
    const auto* in = static_cast<const std::uint8_t*>(buffer);
    while (size > 0) {
        const ssize_t put = ::write(fd, in, size);
        if (put <= 0)
            return false;
        in += put;
        size -= static_cast<std::size_t>(put);
    }
    return true;
}

class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    // Closes now; false when the close reported an error (data not written).
    bool close()
    {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// The samples are stored little-endian whatever the machine.
void swapOnBigEndian(std::span<std::uint16_t> samples)
{
    if constexpr (std::endian::native == std::endian::big) {
        for (std::uint16_t& s : samples)
            s = static_cast<std::uint16_t>(s >> 8 | s << 8);
    }
}

} // namespace

std::array<std::uint8_t, kCalibrationHeaderSize> calibrationHeader(const ImageFrame& frame)
{
    std::array<std::uint8_t, kCalibrationHeaderSize> h{};
    const auto byteSize = static_cast<std::uint32_t>(frame.byteSize());
    h[0] = 'B';
    h[1] = 'M';
    put32(&h[2], byteSize + kCalibrationHeaderSize);
    put32(&h[10], kCalibrationHeaderSize);
    put32(&h[14], 40);
    put32(&h[18], static_cast<std::uint32_t>(frame.width()));
    put32(&h[22], static_cast<std::uint32_t>(frame.height()));
    put16(&h[26], static_cast<std::uint32_t>(frame.planeCount()));
    put16(&h[28], 16);
    put32(&h[34], byteSize);
    return h;
}

std::optional<CalibrationHeader> parseCalibrationHeader(std::span<const std::uint8_t> h)
{
    if (h.size() < kCalibrationHeaderSize || h[0] != 'B' || h[1] != 'M')
        return std::nullopt;
    if (get16(&h[28]) != 16 || get32(&h[30]) != 0 || get32(&h[10]) != kCalibrationHeaderSize)
        return std::nullopt;
    const std::uint32_t width = get32(&h[18]);
    const std::uint32_t height = get32(&h[22]);
    const std::uint32_t planes = get16(&h[26]);
    // Real bitmaps are bottom-up with a negative height, or of one plane and 16 bits per
    // pixel: nothing but the sizes tells ours apart, so the sizes must be those of a frame.
    if (width == 0 || height == 0 || planes == 0 || width > 0x7fffffff || height > 0x7fffffff ||
        !ImageFrame::validDimensions(static_cast<int>(width), static_cast<int>(planes), static_cast<int>(height)))
        return std::nullopt;
    return CalibrationHeader{static_cast<int>(width), static_cast<int>(height), static_cast<int>(planes)};
}

bool LoadCalibrationFile(const std::string& path, ImageFrame& frame)
{
    frame.Release();
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info {};
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::array<std::uint8_t, kCalibrationHeaderSize> header{};
    if (!readExactly(file.get(), header.data(), header.size()))
        return false;
    const std::optional<CalibrationHeader> dims = parseCalibrationHeader(header);
    if (!dims)
        return false;
    // Nothing is allocated for samples the file does not hold.
    const auto byteSize = static_cast<std::uint64_t>(dims->width) * static_cast<std::uint64_t>(dims->height) *
                          static_cast<std::uint64_t>(dims->planeCount) * 2u;
    if (static_cast<std::uint64_t>(info.st_size) < kCalibrationHeaderSize + byteSize)
        return false;
    if (!frame.Allocate(dims->width, dims->planeCount, dims->height))
        return false;
    if (!readExactly(file.get(), frame.samples(), static_cast<std::size_t>(byteSize))) {
        frame.Release();
        return false;
    }
    swapOnBigEndian(frame.sampleSpan());
    return true;
}

bool SaveCalibrationFile(const std::string& path, const ImageFrame& frame)
{
    if (frame.isEmpty() || path.empty())
        return false;
    const std::string temporary = path + ".part";
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
    if (file.get() < 0)
        return false;
    const std::array<std::uint8_t, kCalibrationHeaderSize> header = calibrationHeader(frame);
    std::vector<std::uint16_t> block(frame.sampleSpan().begin(), frame.sampleSpan().end());
    swapOnBigEndian(block);
    const bool written = writeAll(file.get(), header.data(), header.size()) &&
                         writeAll(file.get(), block.data(), static_cast<std::size_t>(frame.byteSize())) &&
                         ::fsync(file.get()) == 0;
    if (!file.close() || !written || std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

} // namespace velmora::client
