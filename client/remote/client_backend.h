#pragma once
// The client program (VelmoraNebrix) as the guiding server's guider: its main frame's
// drivers and exposure cycle, the guiding window's tool (opened on the image window
// when a star is to be selected, as the guiding command does) and the reticle, whose
// centre is the lock position.

#include "client/remote/tool_backend.h"
#include "client/shell/main_frame.h"

#include <functional>
#include <optional>

namespace velmora::client::remote {

class ClientBackend : public ToolBackend, private MainFrameListener {
public:
    using FrameObserver = std::function<void(const FrameObservation&)>;

    ClientBackend(MainFrame& frame, const HighResolutionClock& clock, std::function<void()> shutdown);
    ~ClientBackend() override;
    ClientBackend(const ClientBackend&) = delete;
    ClientBackend& operator=(const ClientBackend&) = delete;

    void setFrameObserver(FrameObserver observer) { m_observer = std::move(observer); }
    // Work that must wait until no frame is being delivered; call often.
    void tick();

    bool connected() const override;
    std::optional<std::string> connect() override;
    void disconnect() override;
    std::optional<std::string> startLooping() override;
    void stopLooping() override;
    bool looping() const override;
    std::optional<std::string> captureSingleFrame(int exposureMs) override;
    void setLockPosition(ImagePoint point) override;
    std::optional<std::string> startGuiding() override;
    void stopGuiding() override;
    void setPulsesEnabled(bool on) override;

protected:
    const DriverBinding& driverBinding() const override { return m_frame.binding(); }
    const ExposureCycle& exposureCycle() const override { return m_frame.cycle(); }
    ExposureCycle& exposureCycle() override { return m_frame.cycle(); }
    const ImageGeometry& imageGeometry() const override { return m_frame.geometry(); }
    GuidingTool* guidingTool() const override;
    GuidingTool* toolForSelection() override;

private:
    void frameDelivered(ImageWindow& window) override;
    void watch(GuidingTool* tool);

    MainFrame& m_frame;
    FrameObserver m_observer;
    GuidingTool* m_watched = nullptr; // compared only: the window may have closed it
    std::optional<GuidingStep> m_lastStep;
    bool m_pulsesEnabled = true;
    std::optional<bool> m_manualModeAfterSingleFrame;
};

} // namespace velmora::client::remote
