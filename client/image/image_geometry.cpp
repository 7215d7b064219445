#include "client/image/image_geometry.h"

#include <cmath>

namespace velmora::client {

namespace {

// Scales that are not finite numbers would poison every offset and FWHM.
double finiteOrZero(double value)
{
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

void ImageGeometry::setScales(double sx, double sy)
{
    m_sx = finiteOrZero(sx);
    m_sy = finiteOrZero(sy);
}

void ImageGeometry::setReticleCentre(double x, double y)
{
    m_centreX = finiteOrZero(x);
    m_centreY = finiteOrZero(y);
}

void ImageGeometry::setReticleAngle(double degrees)
{
    m_angle = finiteOrZero(degrees);
    m_cosA = std::cos(m_angle * kRadiansPerDegree);
    m_sinA = std::sin(m_angle * kRadiansPerDegree);
}

AxisOffset ImageGeometry::offsetsFromCentre(double x, double y) const
{
    const double dx = (x - m_centreX) * m_sx;
    const double dy = (y - m_centreY) * m_sy;
    return {m_cosA * dx + m_sinA * dy, -m_sinA * dx + m_cosA * dy};
}

} // namespace velmora::client
