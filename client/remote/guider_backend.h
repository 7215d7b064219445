#pragma once
// What the guiding server drives: a guider with its drivers, exposure loop, tracking
// square, reticle (whose centre is the lock position) and guiding run. The headless
// guider and the client program each provide one; the protocol never reaches past it.

#include "client/guiding/guiding_run.h"
#include "client/remote/star_metrics.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace velmora::client::remote {

struct ImagePoint {
    double x = 0.0;
    double y = 0.0;
};

struct EquipmentItem {
    std::string name;
    bool connected = false;
};

struct Equipment {
    EquipmentItem camera;
    EquipmentItem mount;
};

// The pixels around the star, plane 0, row after row.
struct StarImage {
    int width = 0;
    int height = 0;
    ImagePoint star; // within the cut-out
    std::vector<std::uint16_t> pixels;
};

// One frame the guider took, after its measurements (and its guiding step, when
// guiding).
struct FrameObservation {
    double timeSeconds = 0.0; // the server's monotonic clock
    ImagePoint centroid;
    StarMetrics star;
    std::optional<GuidingStep> step;
};

class GuiderBackend {
public:
    virtual ~GuiderBackend() = default;

    virtual bool connected() const = 0;
    virtual std::optional<std::string> connect() = 0; // error text
    virtual void disconnect() = 0;
    virtual Equipment equipment() const = 0;
    // The one profile: the driver set of the settings.
    virtual std::string profileName() const = 0;

    virtual std::optional<std::string> startLooping() = 0;
    virtual void stopLooping() = 0;
    virtual bool looping() const = 0;
    virtual bool hasFrame() const = 0;
    virtual std::optional<std::string> captureSingleFrame(int exposureMs) = 0;
    virtual int exposureMs() const = 0;
    virtual std::optional<std::string> setExposureMs(int exposureMs) = 0;
    virtual double pixelScale() const = 0; // arcseconds per pixel, 0 when unknown
    virtual ImagePoint frameSize() const = 0;

    // Puts the square on the brightest star of the last frame; its centroid.
    virtual std::optional<ImagePoint> findStar() = 0;
    // The centroid of the star nearest a point, for a lock position that is not exact.
    virtual std::optional<ImagePoint> starNear(ImagePoint point) = 0;
    virtual std::optional<StarImage> starImage(int size) const = 0;
    // The last frame as a standard FITS file at `path`; an error text when it failed.
    virtual std::optional<std::string> saveImage(const std::string& path) const = 0;

    virtual ImagePoint lockPosition() const = 0;
    virtual void setLockPosition(ImagePoint point) = 0;
    // The reticle rotation entries (cosA, sinA) that turn image pixels into axes.
    virtual double cosA() const = 0;
    virtual double sinA() const = 0;

    virtual std::optional<std::string> startGuiding() = 0;
    virtual void stopGuiding() = 0;
    virtual bool guiding() const = 0;
    // Off: the guiding step still runs and is reported, but no pulse goes out.
    virtual void setPulsesEnabled(bool on) = 0;

    virtual void requestShutdown() = 0;
};

} // namespace velmora::client::remote
