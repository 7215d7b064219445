#include "client/remote/fake_guider_backend.h"

namespace velmora::client::remote {

std::optional<std::string> FakeGuiderBackend::connect()
{
    if (m_connectFails)
        return std::string("no camera driver: 'Nothing.Camera' could not be created");
    m_connected = true;
    return std::nullopt;
}

Equipment FakeGuiderBackend::equipment() const
{
    return {{"VelmoraServer.Camera", m_connected}, {"VelmoraServer.Telescope", m_connected}};
}

std::optional<std::string> FakeGuiderBackend::startLooping()
{
    m_looping = true;
    return std::nullopt;
}

std::optional<std::string> FakeGuiderBackend::captureSingleFrame(int)
{
    ++m_singleFrames;
    m_hasFrame = true;
    return std::nullopt;
}

std::optional<std::string> FakeGuiderBackend::setExposureMs(int exposureMs)
{
    m_exposureMs = exposureMs / 10 * 10;
    return std::nullopt;
}

std::optional<StarImage> FakeGuiderBackend::starImage(int size) const
{
    if (!m_hasFrame)
        return std::nullopt;
    StarImage image;
    image.width = size;
    image.height = size;
    image.star = {size / 2.0, size / 2.0};
    image.pixels.assign(static_cast<std::size_t>(size * size), 0x0102);
    return image;
}

std::optional<std::string> FakeGuiderBackend::saveImage(const std::string& path) const
{
    if (!m_hasFrame)
        return std::string("cannot save an image: no frame yet");
    m_savedPath = path;
    return std::nullopt;
}

std::optional<std::string> FakeGuiderBackend::startGuiding()
{
    m_guiding = true;
    return std::nullopt;
}

FrameObservation FakeGuiderBackend::frame(double timeSeconds, double x, double y, bool found) const
{
    FrameObservation frame;
    frame.timeSeconds = timeSeconds;
    frame.centroid = {x, y};
    frame.star.found = found;
    frame.star.mass = found ? 5000.0 : 0.0;
    frame.star.snr = found ? 40.0 : 0.0;
    frame.star.hfdPixels = found ? 2.5 : 0.0;
    if (m_guiding) {
        GuidingStep step;
        step.t = timeSeconds;
        step.pulses = {{GuideDirection::East, 120}, {GuideDirection::North, 80}};
        frame.step = step;
    }
    return frame;
}

} // namespace velmora::client::remote
