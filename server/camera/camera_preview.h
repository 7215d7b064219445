#pragma once
// The preview of the camera's setup dialog (CPreviewWnd shows it): exposures run back
// to back at the preview length, polled every 60 ms through the members a client would
// use, and each finished image is drawn into an off-screen surface of the image's size
// in the display's pixel packing. Image row y goes to surface row height - 1 - y, so
// the frame's last row is at the top; values are 8-bit intensities, not rescaled.

#include "server/camera/colour_image.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velmora::server {

class CameraDriver;

// The off-screen surface: width x height pixels of bitsPerPixel (16: 5-6-5, 24: blue,
// green, red bytes, 32: the same and a zero byte), rows `stride` bytes apart.
struct PreviewSurface {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
    std::size_t stride = 0;
    std::vector<std::uint8_t> bits;

    bool valid() const { return !bits.empty(); }
};

// Draws `image` into `surface` (of the image's size); any depth other than 16, 24 or
// 32 bits draws nothing. Values outside 0..255 (a summed exposure) are shown at the
// nearest end of that range: never scaled down, never spilling into the other colours.
void drawPreviewImage(const ColourImage& image, PreviewSurface& surface);

class CameraPreview {
public:
    static constexpr int kTimerId = 40000;
    static constexpr std::chrono::milliseconds kPeriod{60};

    // `camera` is borrowed; the surface is drawn in `bitsPerPixel`.
    CameraPreview(CameraDriver& camera, double exposureSeconds, int bitsPerPixel = 32);

    double exposureSeconds() const { return m_seconds; }
    // Aborts any exposure and starts one of the preview length (Light true).
    void restart();
    // "Exposure (sec)" changed: stores the length and restarts.
    void setExposure(double seconds);

    enum class Tick { Waiting, Restarted, Drawn };
    // The 60 ms tick: an image drawn (and the next exposure started), an idle camera
    // given a new exposure (one that ended without an image, or could not start), or
    // nothing yet.
    Tick tick();
    const PreviewSurface& surface() const { return m_surface; }
    // The last drawn image had another size than the one before (the window follows it).
    bool resized() const { return m_resized; }
    // The window closes: the running exposure is aborted.
    void close();

private:
    void startExposure();
    void fitSurface(int width, int height);

    CameraDriver& m_camera;
    double m_seconds;
    int m_bitsPerPixel;
    PreviewSurface m_surface;
    bool m_resized = false;
};

} // namespace velmora::server
