#pragma once
// The headless guider (velmora-guide) as the guiding server's guider: its drivers,
// exposure cycle, guiding tool and reticle, step by step on the clients' commands.

#include "client/guiding/headless_guider.h"
#include "client/remote/guider_backend.h"

#include <functional>

namespace velmora::client::remote {

class HeadlessBackend : public GuiderBackend {
public:
    HeadlessBackend(HeadlessGuider& guider, const HighResolutionClock& clock, std::function<void()> shutdown);

    bool connected() const override { return m_guider.driversBound(); }
    std::optional<std::string> connect() override;
    void disconnect() override { m_guider.disconnectDrivers(); }
    Equipment equipment() const override;
    std::string profileName() const override;

    std::optional<std::string> startLooping() override;
    void stopLooping() override { m_guider.stopLooping(); }
    bool looping() const override { return m_guider.looping(); }
    bool hasFrame() const override { return rawFrame() != nullptr; }
    std::optional<std::string> captureSingleFrame(int exposureMs) override;
    int exposureMs() const override;
    std::optional<std::string> setExposureMs(int exposureMs) override;
    double pixelScale() const override;
    ImagePoint frameSize() const override;

    std::optional<ImagePoint> findStar() override;
    std::optional<ImagePoint> starNear(ImagePoint point) override;
    std::optional<StarImage> starImage(int size) const override;

    ImagePoint lockPosition() const override;
    void setLockPosition(ImagePoint point) override;
    double cosA() const override { return m_guider.geometry().cosA(); }
    double sinA() const override { return m_guider.geometry().sinA(); }

    std::optional<std::string> startGuiding() override;
    void stopGuiding() override { m_guider.stopGuiding(); }
    bool guiding() const override;
    void setPulsesEnabled(bool on) override { m_guider.setPulsesEnabled(on); }

    void requestShutdown() override { m_shutdown(); }

    // What a delivered frame showed, for the remote guider.
    FrameObservation observe(const std::optional<GuidingStep>& step) const;

private:
    const ImageFrame* rawFrame() const;
    std::optional<ImagePoint> selectedCentroid(std::optional<StarPosition> at);
    StarMetrics measureSelected() const;

    HeadlessGuider& m_guider;
    const HighResolutionClock& m_clock;
    std::function<void()> m_shutdown;
};

// The time of a high-resolution clock in seconds.
double clockSeconds(const HighResolutionClock& clock);

} // namespace velmora::client::remote
