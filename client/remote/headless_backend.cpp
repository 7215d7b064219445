#include "client/remote/headless_backend.h"

#include "client/devices/high_resolution_clock.h"
#include "client/image/frame_pipeline.h"
#include "client/image/image_window.h"

#include <algorithm>

namespace velmora::client::remote {

double clockSeconds(const HighResolutionClock& clock)
{
    const std::int64_t frequency = clock.frequency() > 0 ? clock.frequency() : 1;
    return static_cast<double>(clock.counter()) / static_cast<double>(frequency);
}

HeadlessBackend::HeadlessBackend(HeadlessGuider& guider, const HighResolutionClock& clock,
                                 std::function<void()> shutdown)
    : m_guider(guider), m_clock(clock), m_shutdown(std::move(shutdown))
{
}

std::optional<std::string> HeadlessBackend::connect()
{
    if (m_guider.connectDrivers())
        return std::nullopt;
    return m_guider.lastError();
}

Equipment HeadlessBackend::equipment() const
{
    const DriverBinding& binding = m_guider.binding();
    const bool bound = m_guider.driversBound();
    return {{binding.progId(DriverKind::Camera), bound && binding.isConnected(DriverKind::Camera)},
            {binding.progId(DriverKind::Telescope), bound && binding.isConnected(DriverKind::Telescope)}};
}

std::string HeadlessBackend::profileName() const
{
    const Equipment equipment = this->equipment();
    if (equipment.camera.name.empty())
        return "Drivers of the settings";
    return equipment.camera.name + ", " + equipment.mount.name;
}

std::optional<std::string> HeadlessBackend::startLooping()
{
    if (m_guider.startLooping())
        return std::nullopt;
    return m_guider.lastError();
}

std::optional<std::string> HeadlessBackend::captureSingleFrame(int exposureMs)
{
    if (m_guider.takeSingleFrame(exposureMs / 10))
        return std::nullopt;
    return m_guider.lastError();
}

int HeadlessBackend::exposureMs() const
{
    return m_guider.cycle().exposureTime() * 10;
}

std::optional<std::string> HeadlessBackend::setExposureMs(int exposureMs)
{
    m_guider.cycle().exposureTimeChanged(exposureMs / 10);
    return std::nullopt;
}

double HeadlessBackend::pixelScale() const
{
    const ImageGeometry& geometry = m_guider.geometry();
    return (geometry.sx() + geometry.sy()) / 2.0;
}

const ImageFrame* HeadlessBackend::rawFrame() const
{
    const ImageWindow* window = m_guider.cycle().imageWindow();
    if (window == nullptr || window->pipeline().rawFrame().isEmpty())
        return nullptr;
    return &window->pipeline().rawFrame();
}

ImagePoint HeadlessBackend::frameSize() const
{
    const ImageFrame* frame = rawFrame();
    return frame ? ImagePoint{static_cast<double>(frame->width()), static_cast<double>(frame->height())}
                 : ImagePoint{};
}

StarMetrics HeadlessBackend::measureSelected() const
{
    const GuidingTool* tool = m_guider.tool();
    const ImageFrame* frame = rawFrame();
    if (tool == nullptr || frame == nullptr)
        return {};
    return measureStar(*frame, tool->square(), tool->settings().thresholds, tool->centroidX(),
                       tool->centroidY());
}

std::optional<ImagePoint> HeadlessBackend::selectedCentroid(std::optional<StarPosition> at)
{
    if (!m_guider.selectGuideStar(at) || !measureSelected().found)
        return std::nullopt;
    const GuidingTool& tool = *m_guider.tool();
    return ImagePoint{tool.centroidX(), tool.centroidY()};
}

std::optional<ImagePoint> HeadlessBackend::findStar()
{
    return selectedCentroid(std::nullopt);
}

std::optional<ImagePoint> HeadlessBackend::starNear(ImagePoint point)
{
    return selectedCentroid(StarPosition{static_cast<int>(point.x), static_cast<int>(point.y)});
}

std::optional<StarImage> HeadlessBackend::starImage(int size) const
{
    const ImageFrame* frame = rawFrame();
    const GuidingTool* tool = m_guider.tool();
    if (frame == nullptr || tool == nullptr)
        return std::nullopt;
    const int half = size / 2;
    const int left =
        std::clamp(static_cast<int>(tool->centroidX()) - half, 0, std::max(frame->width() - size, 0));
    const int top =
        std::clamp(static_cast<int>(tool->centroidY()) - half, 0, std::max(frame->height() - size, 0));
    StarImage image;
    image.width = std::min(size, frame->width());
    image.height = std::min(size, frame->height());
    image.star = {tool->centroidX() - left, tool->centroidY() - top};
    image.pixels.reserve(static_cast<std::size_t>(image.width * image.height));
    for (int y = top; y < top + image.height; ++y)
        image.pixels.insert(image.pixels.end(), frame->row(0, y) + left,
                            frame->row(0, y) + left + image.width);
    return image;
}

ImagePoint HeadlessBackend::lockPosition() const
{
    return {m_guider.geometry().reticleCentreX(), m_guider.geometry().reticleCentreY()};
}

void HeadlessBackend::setLockPosition(ImagePoint point)
{
    m_guider.geometry().setReticleCentre(point.x, point.y);
}

std::optional<std::string> HeadlessBackend::startGuiding()
{
    if (m_guider.startGuiding())
        return std::nullopt;
    return std::string("cannot guide: no frame yet");
}

bool HeadlessBackend::guiding() const
{
    const GuidingTool* tool = m_guider.tool();
    return tool != nullptr && tool->running();
}

FrameObservation HeadlessBackend::observe(const std::optional<GuidingStep>& step) const
{
    FrameObservation frame;
    frame.timeSeconds = clockSeconds(m_clock);
    if (const GuidingTool* tool = m_guider.tool())
        frame.centroid = {tool->centroidX(), tool->centroidY()};
    frame.star = measureSelected();
    frame.step = step;
    return frame;
}

} // namespace velmora::client::remote
