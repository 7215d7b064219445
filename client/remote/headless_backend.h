#pragma once
// The headless guider (velmora-guide) as the guiding server's guider: its drivers,
// exposure cycle, guiding tool and reticle, step by step on the clients' commands.

#include "client/guiding/headless_guider.h"
#include "client/remote/tool_backend.h"

namespace velmora::client::remote {

class HeadlessBackend : public ToolBackend {
public:
    HeadlessBackend(HeadlessGuider& guider, const HighResolutionClock& clock, std::function<void()> shutdown)
        : ToolBackend(clock, std::move(shutdown)), m_guider(guider)
    {
    }

    bool connected() const override { return m_guider.driversBound(); }
    std::optional<std::string> connect() override;
    void disconnect() override { m_guider.disconnectDrivers(); }
    std::optional<std::string> startLooping() override;
    void stopLooping() override { m_guider.stopLooping(); }
    bool looping() const override { return m_guider.looping(); }
    std::optional<std::string> captureSingleFrame(int exposureMs) override;
    void setLockPosition(ImagePoint point) override
    {
        m_guider.geometry().setReticleCentre(point.x, point.y);
    }
    std::optional<std::string> startGuiding() override;
    void stopGuiding() override { m_guider.stopGuiding(); }
    void setPulsesEnabled(bool on) override { m_guider.setPulsesEnabled(on); }

protected:
    const DriverBinding& driverBinding() const override { return m_guider.binding(); }
    const ExposureCycle& exposureCycle() const override { return m_guider.cycle(); }
    ExposureCycle& exposureCycle() override { return m_guider.cycle(); }
    const ImageGeometry& imageGeometry() const override { return m_guider.geometry(); }
    GuidingTool* guidingTool() const override { return m_guider.tool(); }

private:
    HeadlessGuider& m_guider;
};

} // namespace velmora::client::remote
