#include "server/camera/camera_preview.h"

#include "server/camera/camera_driver.h"

#include <algorithm>
#include <new>

namespace velmora::server {

namespace {

std::uint32_t level(std::int32_t value)
{
    return static_cast<std::uint32_t>(std::clamp(value, 0, 255));
}

struct Pixel {
    std::uint32_t blue, green, red;
};

Pixel pixelAt(const ColourImage& image, std::size_t offset)
{
    if (image.planeCount() < 3) {
        const std::uint32_t v = level(image.plane(0)[offset]);
        return {v, v, v};
    }
    return {level(image.plane(kBlue)[offset]), level(image.plane(kGreen)[offset]),
            level(image.plane(kRed)[offset])};
}

void put565(std::uint8_t* out, const Pixel& p, bool grey)
{
    // One plane: (v / 4) x 32 + (v / 8) x 2049 sets red and blue from v / 8 and green from v / 4.
    const std::uint32_t word = grey ? (p.green / 4) * 32 + (p.green / 8) * 2049
                                    : (p.red / 8) << 11 | (p.green / 4) << 5 | (p.blue / 8);
    out[0] = static_cast<std::uint8_t>(word);
    out[1] = static_cast<std::uint8_t>(word >> 8);
}

} // namespace

void drawPreviewImage(const ColourImage& image, PreviewSurface& surface)
{
    const int bytesPerPixel = surface.bitsPerPixel / 8;
    if ((surface.bitsPerPixel != 16 && surface.bitsPerPixel != 24 && surface.bitsPerPixel != 32) ||
        !surface.valid() || image.empty() || image.width() != surface.width ||
        image.height() != surface.height)
        return;
    const bool grey = image.planeCount() < 3;
    for (int y = 0; y < image.height(); ++y) {
        std::uint8_t* row =
            surface.bits.data() + surface.stride * static_cast<std::size_t>(image.height() - 1 - y);
        const std::size_t first = static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width());
        for (int x = 0; x < image.width(); ++x) {
            const Pixel p = pixelAt(image, first + static_cast<std::size_t>(x));
            std::uint8_t* out = row + static_cast<std::size_t>(x) * bytesPerPixel;
            if (bytesPerPixel == 2) {
                put565(out, p, grey);
                continue;
            }
            out[0] = static_cast<std::uint8_t>(p.blue);
            out[1] = static_cast<std::uint8_t>(p.green);
            out[2] = static_cast<std::uint8_t>(p.red);
            if (bytesPerPixel == 4)
                out[3] = 0;
        }
    }
}

CameraPreview::CameraPreview(CameraDriver& camera, double exposureSeconds, int bitsPerPixel)
    : m_camera(camera), m_seconds(exposureSeconds), m_bitsPerPixel(bitsPerPixel)
{
}

void CameraPreview::startExposure()
{
    bool started = false;
    m_camera.StartExposure(m_seconds, true, started); // a failure is retried on the next idle tick
}

void CameraPreview::restart()
{
    m_camera.AbortExposure();
    startExposure();
}

void CameraPreview::setExposure(double seconds)
{
    m_seconds = seconds;
    restart();
}

void CameraPreview::fitSurface(int width, int height)
{
    m_resized = width != m_surface.width || height != m_surface.height || !m_surface.valid();
    if (!m_resized)
        return;
    m_surface = {};
    m_surface.width = width;
    m_surface.height = height;
    m_surface.bitsPerPixel = m_bitsPerPixel;
    m_surface.stride = static_cast<std::size_t>(width) * static_cast<std::size_t>(m_bitsPerPixel / 8);
    try {
        m_surface.bits.assign(m_surface.stride * static_cast<std::size_t>(height), 0);
    } catch (const std::bad_alloc&) {
        m_surface.bits.clear(); // no surface: nothing is drawn, the exposures go on
    }
}

CameraPreview::Tick CameraPreview::tick()
{
    bool ready = false;
    if (m_camera.getImageReady(ready) != DriverError::None || !ready) {
        std::int32_t state = -1;
        if (m_camera.getCameraState(state) != DriverError::None ||
            state != static_cast<std::int32_t>(CameraState::Idle))
            return Tick::Waiting;
        startExposure();
        return Tick::Restarted;
    }
    const DriverError error = m_camera.useImage([this](const ColourImage& image) {
        fitSurface(image.width(), image.height());
        drawPreviewImage(image, m_surface);
    });
    startExposure();
    return error == DriverError::None ? Tick::Drawn : Tick::Restarted;
}

void CameraPreview::close()
{
    m_camera.AbortExposure();
}

} // namespace velmora::server
