#include "client/remote/tool_backend.h"

#include "client/capture/fits_writer.h"
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

ToolBackend::ToolBackend(const HighResolutionClock& clock, std::function<void()> shutdown)
    : m_clock(clock), m_shutdown(std::move(shutdown))
{
}

Equipment ToolBackend::equipment() const
{
    const DriverBinding& binding = driverBinding();
    const auto item = [&binding](DriverKind kind) {
        return EquipmentItem{binding.progId(kind),
                             binding.driver(kind) != nullptr && binding.isConnected(kind)};
    };
    return {item(DriverKind::Camera), item(DriverKind::Telescope)};
}

std::string ToolBackend::profileName() const
{
    const Equipment equipment = this->equipment();
    if (equipment.camera.name.empty())
        return "Drivers of the settings";
    return equipment.camera.name + ", " + equipment.mount.name;
}

std::optional<std::string> ToolBackend::setExposureMs(int exposureMs)
{
    exposureCycle().exposureTimeChanged(exposureMs / 10);
    return std::nullopt;
}

double ToolBackend::pixelScale() const
{
    return (imageGeometry().sx() + imageGeometry().sy()) / 2.0;
}

const ImageFrame* ToolBackend::rawFrame() const
{
    const ImageWindow* window = exposureCycle().imageWindow();
    if (window == nullptr || window->pipeline().rawFrame().isEmpty())
        return nullptr;
    return &window->pipeline().rawFrame();
}

ImagePoint ToolBackend::frameSize() const
{
    const ImageFrame* frame = rawFrame();
    return frame ? ImagePoint{static_cast<double>(frame->width()), static_cast<double>(frame->height())}
                 : ImagePoint{};
}

StarMetrics ToolBackend::measureSelected() const
{
    const GuidingTool* tool = guidingTool();
    const ImageFrame* frame = rawFrame();
    if (tool == nullptr || frame == nullptr)
        return {};
    return measureStar(*frame, tool->square(), tool->settings().thresholds, tool->centroidX(),
                       tool->centroidY());
}

std::optional<ImagePoint> ToolBackend::selectedCentroid(std::optional<StarPosition> at)
{
    GuidingTool* tool = toolForSelection();
    const ImageFrame* frame = rawFrame();
    if (tool == nullptr || frame == nullptr || !StarSelector::placeSquare(*tool, *frame, at) ||
        !measureSelected().found)
        return std::nullopt;
    return ImagePoint{tool->centroidX(), tool->centroidY()};
}

std::optional<ImagePoint> ToolBackend::starNear(ImagePoint point)
{
    return selectedCentroid(StarPosition{static_cast<int>(point.x), static_cast<int>(point.y)});
}

std::optional<StarImage> ToolBackend::starImage(int size) const
{
    const ImageFrame* frame = rawFrame();
    const GuidingTool* tool = guidingTool();
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

std::optional<std::string> ToolBackend::saveImage(const std::string& path) const
{
    const ImageFrame* frame = rawFrame();
    if (frame == nullptr)
        return std::string("cannot save an image: no frame yet");
    const FitsObservation observation{std::chrono::system_clock::now(), exposureCycle().exposureSeconds()};
    std::vector<std::uint8_t> buffer;
    std::string error;
    if (writeFitsFrame(
            *frame, {0, 0, frame->width(), frame->height()}, buffer, false, FitsLayout::Standard, observation,
            [&path](int) { return path; }, error))
        return std::nullopt;
    return error;
}

ImagePoint ToolBackend::lockPosition() const
{
    return {imageGeometry().reticleCentreX(), imageGeometry().reticleCentreY()};
}

bool ToolBackend::guiding() const
{
    const GuidingTool* tool = guidingTool();
    return tool != nullptr && tool->running();
}

FrameObservation ToolBackend::observe(const std::optional<GuidingStep>& step) const
{
    FrameObservation frame;
    frame.timeSeconds = clockSeconds(m_clock);
    if (const GuidingTool* tool = guidingTool())
        frame.centroid = {tool->centroidX(), tool->centroidY()};
    frame.star = measureSelected();
    frame.step = step;
    return frame;
}

} // namespace velmora::client::remote
