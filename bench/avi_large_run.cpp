// One AVI run past 4 GiB, outside the test suite: 640 × 480 frames through the
// capture's pixel conversion and writer into the given file; prints the frame count,
// the size and the time. scripts/avi-past-4gib runs it and reads the file back.
#include "client/capture/avi_pixels.h"
#include "client/capture/avi_writer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

using namespace velmora::client;

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s FILE FRAMES\n", argv[0]);
        return 2;
    }
    const int frames = std::atoi(argv[2]);
    ImageFrame frame;
    frame.Allocate(640, 1, 480);
    const PlaneColours colours(1);
    AviPixelConverter converter;
    std::string error;
    AviWriter writer(createDiskFile(argv[1], error), 640, 480);
    if (!writer.begin()) {
        std::fprintf(stderr, "%s%s\n", error.c_str(), writer.error().c_str());
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i) {
        std::uint16_t* samples = frame.samples();
        for (int p = 0; p < frame.sampleCount(); ++p)
            samples[p] = static_cast<std::uint16_t>((p + i * 97) * 13);
        converter.convert(frame, {0, 0, 640, 480}, colours, writer.pixels());
        if (!writer.writeFrame())
            break;
    }
    const bool complete = writer.finish();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("frames %u, RIFF parts %zu, bytes %ju, %.1f s, %s\n", writer.framesWritten(), writer.riffParts(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(argv[1])), seconds,
                complete ? "complete" : writer.error().c_str());
    return complete ? 0 : 1;
}
