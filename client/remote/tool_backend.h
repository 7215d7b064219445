#pragma once
// What every guider of the client's own parts shares as the guiding server's
// guider: the driver binding, the exposure cycle with its image window, the image
// geometry (the reticle centre is the lock position) and a guiding tool. The headless
// guider and the client program differ only in how drivers, loop, tool and reticle
// are reached.

#include "client/devices/driver_binding.h"
#include "client/devices/exposure_cycle.h"
#include "client/guiding/guiding_tool.h"
#include "client/guiding/star_selector.h"
#include "client/remote/guider_backend.h"

#include <functional>

namespace velmora::client::remote {

class ToolBackend : public GuiderBackend {
public:
    ToolBackend(const HighResolutionClock& clock, std::function<void()> shutdown);

    Equipment equipment() const override;
    std::string profileName() const override;
    bool hasFrame() const override { return rawFrame() != nullptr; }
    int exposureMs() const override { return exposureCycle().exposureTime() * 10; }
    std::optional<std::string> setExposureMs(int exposureMs) override;
    double pixelScale() const override;
    ImagePoint frameSize() const override;
    std::optional<ImagePoint> findStar() override { return selectedCentroid(std::nullopt); }
    std::optional<ImagePoint> starNear(ImagePoint point) override;
    std::optional<StarImage> starImage(int size) const override;
    std::optional<std::string> saveImage(const std::string& path) const override;
    ImagePoint lockPosition() const override;
    double cosA() const override { return imageGeometry().cosA(); }
    double sinA() const override { return imageGeometry().sinA(); }
    bool guiding() const override;
    void requestShutdown() override { m_shutdown(); }

    // What a delivered frame showed, for the remote guider.
    FrameObservation observe(const std::optional<GuidingStep>& step) const;

protected:
    virtual const DriverBinding& driverBinding() const = 0;
    virtual const ExposureCycle& exposureCycle() const = 0;
    virtual ExposureCycle& exposureCycle() = 0;
    virtual const ImageGeometry& imageGeometry() const = 0;
    // The guiding tool on the image window, if there is one.
    virtual GuidingTool* guidingTool() const = 0;
    // The tool to select a star with; a guider may open one.
    virtual GuidingTool* toolForSelection() { return guidingTool(); }

    const ImageFrame* rawFrame() const;
    StarMetrics measureSelected() const;

private:
    std::optional<ImagePoint> selectedCentroid(std::optional<StarPosition> at);

    const HighResolutionClock& m_clock;
    std::function<void()> m_shutdown;
};

// The time of a high-resolution clock in seconds.
double clockSeconds(const HighResolutionClock& clock);

} // namespace velmora::client::remote
