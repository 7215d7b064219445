#pragma once
// A guider for protocol tests: drivers, loop and guiding as flags, one frame size,
// a star wherever the test puts it, and a record of the pulse gate.

#include "client/remote/guider_backend.h"

namespace velmora::client::remote {

class FakeGuiderBackend : public GuiderBackend {
public:
    bool connected() const override { return m_connected; }
    std::optional<std::string> connect() override;
    void disconnect() override { m_connected = false; }
    Equipment equipment() const override;
    std::string profileName() const override { return "VelmoraServer.Camera, VelmoraServer.Telescope"; }

    std::optional<std::string> startLooping() override;
    void stopLooping() override { m_looping = false; }
    bool looping() const override { return m_looping; }
    bool hasFrame() const override { return m_hasFrame; }
    std::optional<std::string> captureSingleFrame(int exposureMs) override;
    int exposureMs() const override { return m_exposureMs; }
    std::optional<std::string> setExposureMs(int exposureMs) override;
    double pixelScale() const override { return m_pixelScale; }
    ImagePoint frameSize() const override { return {640, 480}; }

    std::optional<ImagePoint> findStar() override { return m_star; }
    std::optional<ImagePoint> starNear(ImagePoint) override { return m_star; }
    std::optional<StarImage> starImage(int size) const override;
    std::optional<std::string> saveImage(const std::string& path) const override;

    ImagePoint lockPosition() const override { return m_lock; }
    void setLockPosition(ImagePoint point) override { m_lock = point; }
    double cosA() const override { return m_cosA; }
    double sinA() const override { return m_sinA; }

    std::optional<std::string> startGuiding() override;
    void stopGuiding() override { m_guiding = false; }
    bool guiding() const override { return m_guiding; }
    void setPulsesEnabled(bool on) override { m_pulsesEnabled = on; }

    void requestShutdown() override { m_shutdownRequested = true; }

    // A frame with the star at (x, y), guided when guiding (pulses: East 120, North 80).
    FrameObservation frame(double timeSeconds, double x, double y, bool found = true) const;

    bool m_connected = false;
    bool m_connectFails = false;
    bool m_looping = false;
    bool m_hasFrame = false;
    bool m_guiding = false;
    bool m_pulsesEnabled = true;
    bool m_shutdownRequested = false;
    int m_exposureMs = 1000;
    int m_singleFrames = 0;
    double m_pixelScale = 1.16;
    std::optional<ImagePoint> m_star = ImagePoint{100.0, 200.0};
    ImagePoint m_lock{320.0, 240.0};
    double m_cosA = 1.0;
    mutable std::string m_savedPath;
    double m_sinA = 0.0;
};

} // namespace velmora::client::remote
