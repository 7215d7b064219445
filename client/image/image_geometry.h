#pragma once
// Process-wide image geometry: the image scales (arcseconds per pixel, from the
// hardware bar) and the reticle centre and angle with the rotation entries that the
// guiding offsets and the cursor read-out share.
//
// Measurement and guiding objects borrow an ImageGeometry&; the main frame owns the
// program's one, tests pass their own.

namespace velmora::client {

// Offsets along the reticle axes, arcseconds.
struct AxisOffset {
    double h = 0.0;
    double v = 0.0;
};

class ImageGeometry {
public:
    // Degrees to radians as the reticle angle has always been converted.
    static constexpr double kRadiansPerDegree = 0.0174532925;
    static constexpr double kDefaultCentreX = 320.0;
    static constexpr double kDefaultCentreY = 240.0;

    double sx() const { return m_sx; }
    double sy() const { return m_sy; }
    void setScales(double sx, double sy);
    // F/D of the optics, from the hardware bar.
    double focalRatio() const { return m_focalRatio; }
    void setFocalRatio(double ratio) { m_focalRatio = ratio; }

    double reticleCentreX() const { return m_centreX; }
    double reticleCentreY() const { return m_centreY; }
    void setReticleCentre(double x, double y);

    double reticleAngle() const { return m_angle; }
    // Also recomputes the rotation entries.
    void setReticleAngle(double degrees);
    double cosA() const { return m_cosA; }
    double sinA() const { return m_sinA; }

    // Offset of an image point from the reticle centre along the reticle axes:
    // dx = (x − cx)·sx, dy = (y − cy)·sy; h = cosA·dx + sinA·dy; v = −sinA·dx + cosA·dy.
    AxisOffset offsetsFromCentre(double x, double y) const;

private:
    double m_sx = 0.0;
    double m_sy = 0.0;
    double m_focalRatio = 0.0;
    double m_centreX = kDefaultCentreX;
    double m_centreY = kDefaultCentreY;
    double m_angle = 0.0;
    double m_cosA = 1.0;
    double m_sinA = 0.0;
};

} // namespace velmora::client
