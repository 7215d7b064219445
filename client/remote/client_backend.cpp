#include "client/remote/client_backend.h"

#include "client/image/frame_pipeline.h"
#include "client/image/image_window.h"
#include "client/shell/command_ids.h"

namespace velmora::client::remote {

ClientBackend::ClientBackend(MainFrame& frame, const HighResolutionClock& clock,
                             std::function<void()> shutdown)
    : ToolBackend(clock, std::move(shutdown)), m_frame(frame)
{
    m_frame.addListener(*this);
}

ClientBackend::~ClientBackend()
{
    if (GuidingTool* tool = guidingTool(); tool != nullptr && tool == m_watched)
        tool->setStepObserver(nullptr);
    m_frame.removeListener(*this);
}

bool ClientBackend::connected() const
{
    const DriverBinding& binding = m_frame.binding();
    return binding.driver(DriverKind::Camera) != nullptr && binding.isConnected(DriverKind::Camera);
}

std::optional<std::string> ClientBackend::connect()
{
    if (!connected()) {
        m_frame.binding().bindAtStartup(m_frame.store());
        m_frame.binding().refreshConnectionStates();
    }
    if (connected())
        return std::nullopt;
    return "the camera driver '" + m_frame.binding().progId(DriverKind::Camera) + "' did not connect";
}

void ClientBackend::disconnect()
{
    stopLooping();
    m_frame.binding().unbindAtShutdown(m_frame.store());
}

std::optional<std::string> ClientBackend::startLooping()
{
    ExposureCycle& cycle = m_frame.cycle();
    cycle.setManualMode(false);
    if (cycle.exposing() || cycle.StartCycle())
        return std::nullopt;
    return std::string("the camera refuses to start an exposure");
}

void ClientBackend::stopLooping()
{
    stopGuiding();
    if (m_frame.cycle().exposing())
        m_frame.cycle().AbortCycle();
}

bool ClientBackend::looping() const
{
    return m_frame.cycle().exposing() && !m_frame.cycle().manualMode();
}

// One frame in manual mode; the user's mode comes back once it is in.
std::optional<std::string> ClientBackend::captureSingleFrame(int exposureMs)
{
    ExposureCycle& cycle = m_frame.cycle();
    if (!m_manualModeAfterSingleFrame)
        m_manualModeAfterSingleFrame = cycle.manualMode();
    cycle.setManualMode(true);
    cycle.exposureTimeChanged(exposureMs / 10);
    if (cycle.StartCycle())
        return std::nullopt;
    return std::string("the camera refuses to start an exposure");
}

void ClientBackend::tick()
{
    if (m_manualModeAfterSingleFrame && !m_frame.cycle().exposing()) {
        m_frame.cycle().setManualMode(*m_manualModeAfterSingleFrame);
        m_manualModeAfterSingleFrame.reset();
    }
}

// The reticle keeps its centre in tenths of a pixel.
void ClientBackend::setLockPosition(ImagePoint point)
{
    m_frame.reticle().setCentreTenths(static_cast<int>(point.x * 10.0), static_cast<int>(point.y * 10.0));
}

GuidingTool* ClientBackend::guidingTool() const
{
    const ImageWindow* window = m_frame.imageWindow();
    if (window == nullptr)
        return nullptr;
    for (MeasurementTool* tool : window->pipeline().tools()) {
        if (auto* guiding = dynamic_cast<GuidingTool*>(tool))
            return guiding;
    }
    return nullptr;
}

// The guiding command opens the guiding window, as the user would.
GuidingTool* ClientBackend::toolForSelection()
{
    if (guidingTool() == nullptr && m_frame.imageWindow() != nullptr)
        m_frame.execute(kCommandGuiding);
    watch(guidingTool());
    return guidingTool();
}

std::optional<std::string> ClientBackend::startGuiding()
{
    GuidingTool* tool = toolForSelection();
    if (tool == nullptr)
        return std::string("cannot guide: the guiding window needs an image and a connected telescope");
    if (!tool->running())
        tool->Start();
    return std::nullopt;
}

void ClientBackend::stopGuiding()
{
    GuidingTool* tool = guidingTool();
    if (tool != nullptr && tool->running())
        tool->Stop();
}

void ClientBackend::setPulsesEnabled(bool on)
{
    m_pulsesEnabled = on;
    if (GuidingTool* tool = guidingTool())
        tool->setPulsesEnabled(on);
}

void ClientBackend::watch(GuidingTool* tool)
{
    if (tool == nullptr || tool == m_watched)
        return;
    m_watched = tool;
    tool->setStepObserver([this](const GuidingStep& step) { m_lastStep = step; });
    tool->setPulsesEnabled(m_pulsesEnabled);
}

void ClientBackend::frameDelivered(ImageWindow& /*window*/)
{
    watch(guidingTool());
    std::optional<GuidingStep> step;
    step.swap(m_lastStep);
    if (m_observer)
        m_observer(observe(step));
}

} // namespace velmora::client::remote
