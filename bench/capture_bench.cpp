// Capture of one 640 × 480 frame into a file in a temporary folder: the AVI path
// (pixels by plane colour, one chunk appended to the video) and the FITS path (pack,
// header, a new file written under a temporary name and renamed), beside
// BM_WriteFrameBytes, one write call of the AVI frame's bytes to an open file. The
// files are taken back every 256 frames outside the timing, so the disk never fills.
#include "client/capture/avi_pixels.h"
#include "client/capture/avi_writer.h"
#include "client/capture/fits_writer.h"

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace velmora::client;

constexpr int kFramesPerFile = 256;

class TemporaryFolder {
public:
    TemporaryFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "velmora-bench-XXXXXX").string();
        m_path = ::mkdtemp(pattern.data()) != nullptr ? pattern : std::string("/tmp");
    }
    ~TemporaryFolder() { std::filesystem::remove_all(m_path); }
    const std::string& path() const { return m_path; }
    void empty() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(m_path))
            std::filesystem::remove(entry.path());
    }

private:
    std::string m_path;
};

ImageFrame starFrame(int width, int height)
{
    ImageFrame frame;
    frame.Allocate(width, 1, height);
    std::uint32_t seed = 12345;
    for (std::uint16_t& sample : frame.sampleSpan()) {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<std::uint16_t>(2000 + (seed >> 22));
    }
    return frame;
}

void BM_WriteFrameBytes(benchmark::State& state)
{
    const auto width = static_cast<std::size_t>(state.range(0));
    const auto height = static_cast<std::size_t>(state.range(1));
    const TemporaryFolder folder;
    const std::vector<std::uint8_t> bytes(width * height * 4, 0x5A);
    const std::string path = folder.path() + "/plain.raw";
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    int frames = 0;
    for (auto _ : state) {
        if (::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()))
            state.SkipWithError("write failed");
        if (++frames % kFramesPerFile == 0) {
            state.PauseTiming();
            if (::ftruncate(fd, 0) != 0 || ::lseek(fd, 0, SEEK_SET) != 0)
                state.SkipWithError("truncate failed");
            state.ResumeTiming();
        }
    }
    ::close(fd);
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_WriteFrameBytes)->Args({640, 480})->Unit(benchmark::kMicrosecond);

void BM_CaptureAviFrame(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const TemporaryFolder folder;
    const ImageFrame frame = starFrame(width, height);
    const PlaneColours colours(1);
    AviPixelConverter converter;
    auto open = [&] {
        std::string error;
        auto writer =
            std::make_unique<AviWriter>(createDiskFile(folder.path() + "/run.avi", error), width, height);
        writer->begin();
        return writer;
    };
    std::unique_ptr<AviWriter> writer = open();
    int frames = 0;
    for (auto _ : state) {
        converter.convert(frame, {0, 0, width, height}, colours, writer->pixels());
        if (!writer->writeFrame())
            state.SkipWithError("frame not written");
        if (++frames % kFramesPerFile == 0) {
            state.PauseTiming();
            writer.reset();
            writer = open();
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * width * height * 4);
}
BENCHMARK(BM_CaptureAviFrame)->Args({640, 480})->Unit(benchmark::kMicrosecond);

void BM_CaptureFitsFrame(benchmark::State& state)
{
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    const TemporaryFolder folder;
    const ImageFrame frame = starFrame(width, height);
    std::vector<std::uint8_t> buffer;
    int frames = 0;
    std::string error;
    for (auto _ : state) {
        const std::string name =
            folder.path() + "/Capture-000-" + std::to_string(frames % kFramesPerFile) + ".fits";
        if (!writeFitsFrame(
                frame, {0, 0, width, height}, buffer, false, FitsLayout::Classic, {},
                [&](int) { return name; }, error))
            state.SkipWithError(error.c_str());
        if (++frames % kFramesPerFile == 0) {
            state.PauseTiming();
            folder.empty();
            state.ResumeTiming();
        }
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (2880 + width * height * 2));
}
BENCHMARK(BM_CaptureFitsFrame)->Args({640, 480})->Unit(benchmark::kMicrosecond);

} // namespace
