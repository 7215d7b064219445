#include "client/image/reticle.h"

#include "client/image/image_geometry.h"
#include "client/shell/settings_layout.h"

#include <algorithm>
#include <cmath>

namespace velmora::client {

namespace rb = reticle_bar;

namespace {

constexpr double kDegreesPerRadian = 57.29577957855229;
constexpr std::array<int, 3> kMinimumPixels = {30, 60, 90};
constexpr double kAxisReach = 1.2; // axis ends at 1.2 times the outer circle
constexpr double kHitPixels = 6.0;

common::NumericField decimalField(double scale, const char* format, std::uint32_t extra = 0, int step = 1)
{
    common::NumericField f;
    f.setFlags(common::kHasSpin | common::kRangeCheck | common::kDecimalDisplay | extra);
    f.setScale(scale);
    f.setFormat(format);
    f.setStep(step);
    return f;
}

// Keeps the value while its range changes.
void setRange(common::NumericField& field, std::int32_t minimum, std::int32_t maximum)
{
    const std::int32_t value = field.value();
    field.setRange(minimum, maximum);
    field.setValue(value);
}

int truncated(double value)
{
    return static_cast<int>(value);
}

} // namespace

Reticle::Reticle(ImageGeometry& geometry)
    : m_geometry(geometry), m_centreX(decimalField(0.1, "%.1f")), m_centreY(decimalField(0.1, "%.1f")),
      m_diameters{decimalField(0.01, "%.2f", 0, 100), decimalField(0.01, "%.2f", 0, 100),
                  decimalField(0.01, "%.2f", 0, 100)},
      m_angle(decimalField(0.01, "%.2f", common::kWrapRange, 100))
{
    m_angle.setRange(0, 36000);
    setLimits(m_width, m_height);
    m_centreX.setValue(settings::kReticleCenterX.defaultValue);
    m_centreY.setValue(settings::kReticleCenterY.defaultValue);
    publish();
}

void Reticle::load(const SettingsStore& store)
{
    m_showReticle = settings::readBool(store, settings::kShowReticle);
    m_showCenter = settings::readBool(store, settings::kShowCenter);
    m_centreX.setValue(settings::read(store, settings::kReticleCenterX));
    m_centreY.setValue(settings::read(store, settings::kReticleCenterY));
    const settings::IntSetting* diameters[] = {&settings::kReticleDiameter1, &settings::kReticleDiameter2,
                                               &settings::kReticleDiameter3};
    for (std::size_t i = 0; i < 3; ++i)
        m_diameters[i].setValue(settings::read(store, *diameters[i]));
    keepOrder(0);
    m_angle.setValue(settings::read(store, settings::kReticleAngle));
    publish();
}

void Reticle::save(SettingsStore& store) const
{
    settings::writeBool(store, settings::kShowReticle, m_showReticle);
    settings::writeBool(store, settings::kShowCenter, m_showCenter);
    settings::write(store, settings::kReticleCenterX, m_centreX.value());
    settings::write(store, settings::kReticleCenterY, m_centreY.value());
    settings::write(store, settings::kReticleDiameter1, m_diameters[0].value());
    settings::write(store, settings::kReticleDiameter2, m_diameters[1].value());
    settings::write(store, settings::kReticleDiameter3, m_diameters[2].value());
    settings::write(store, settings::kReticleAngle, m_angle.value());
}

void Reticle::setLimits(int frameWidth, int frameHeight)
{
    m_width = std::max(frameWidth, 1);
    m_height = std::max(frameHeight, 1);
    setRange(m_centreX, 0, m_width * 10);
    setRange(m_centreY, 0, m_height * 10);
    const double finer = std::min(m_geometry.sx(), m_geometry.sy());
    const double fieldOfView = std::min(m_geometry.sx() * m_width, m_geometry.sy() * m_height);
    const auto largest = common::truncateToUnits(fieldOfView, 0.01);
    for (std::size_t i = 0; i < 3; ++i)
        setRange(m_diameters[i], common::truncateToUnits(finer * kMinimumPixels[i], 0.01), largest);
    keepOrder(0);
    publish();
}

void Reticle::setCentreTenths(int x, int y)
{
    m_centreX.setValue(x);
    m_centreY.setValue(y);
    publish();
}

void Reticle::centre()
{
    m_centreX.setRealValue(m_width / 2.0);
    m_centreY.setRealValue(m_height / 2.0);
    publish();
}

void Reticle::setDiameterHundredths(int circle, int hundredths)
{
    const int i = std::clamp(circle, 0, 2);
    m_diameters[static_cast<std::size_t>(i)].setValue(hundredths);
    keepOrder(i);
}

// The changed circle wins: smaller ones above it come down, larger ones below it go up.
void Reticle::keepOrder(int changed)
{
    const int value = m_diameters[static_cast<std::size_t>(changed)].value();
    for (int i = 0; i < 3; ++i) {
        common::NumericField& d = m_diameters[static_cast<std::size_t>(i)];
        if ((i < changed && d.value() > value) || (i > changed && d.value() < value))
            d.setValue(value);
    }
    for (int i = 1; i < 3; ++i) { // ranges may still leave an inversion behind
        common::NumericField& d = m_diameters[static_cast<std::size_t>(i)];
        d.setValue(std::max(d.value(), m_diameters[static_cast<std::size_t>(i - 1)].value()));
    }
    updateRatios();
}

void Reticle::updateRatios()
{
    const double outer = m_diameters[2].realValue();
    m_ratio1 = outer > 0 ? m_diameters[0].realValue() / outer : 0.0;
    m_ratio2 = outer > 0 ? m_diameters[1].realValue() / outer : 0.0;
}

void Reticle::setAngleHundredths(int hundredths)
{
    m_angle.setValue(hundredths);
    publish();
}

void Reticle::setAngleDegrees(double degrees)
{
    if (!std::isfinite(degrees))
        return;
    m_angle.setValue(common::truncateToUnits(std::fmod(degrees, 360.0), 0.01));
    publish();
}

void Reticle::publish()
{
    m_geometry.setReticleCentre(centreX(), centreY());
    m_geometry.setReticleAngle(angleDegrees());
}

common::NumericField Reticle::field(int controlId) const
{
    switch (controlId) {
    case rb::kCenterX:
        return m_centreX;
    case rb::kCenterY:
        return m_centreY;
    case rb::kDiameter1:
    case rb::kDiameter2:
    case rb::kDiameter3:
        return m_diameters[static_cast<std::size_t>((controlId - rb::kDiameter1) / 2)];
    default:
        return m_angle;
    }
}

int Reticle::value(int controlId) const
{
    switch (controlId) {
    case rb::kShowReticle:
        return m_showReticle ? 1 : 0;
    case rb::kShowCenter:
        return m_showCenter ? 1 : 0;
    default:
        return field(controlId).value();
    }
}

ReticleDrawing Reticle::drawing(int frameHeight) const
{
    ReticleDrawing drawing;
    const double sx = m_geometry.sx();
    const double sy = m_geometry.sy();
    if (sx <= 0 || sy <= 0)
        return drawing;
    const int u = truncated(centreX() + 0.5);
    const int w = frameHeight - truncated(centreY() + 0.5) - 1;
    std::array<int, 3> rx{};
    std::array<int, 3> ry{};
    for (std::size_t i = 0; i < 3; ++i) {
        rx[i] = truncated(diameterArcsec(static_cast<int>(i)) / 2 / sx);
        ry[i] = truncated(diameterArcsec(static_cast<int>(i)) / 2 / sy);
        drawing.ellipses.push_back({u, w, rx[i], ry[i]});
    }
    const double c = m_geometry.cosA();
    const double s = m_geometry.sinA();
    // Offsets with y upwards on the screen, so a point is (u + x, w − y).
    struct Offset {
        int x;
        int y;
    };
    const Offset hEnd{truncated(kAxisReach * rx[2] * c), truncated(kAxisReach * ry[2] * s)};
    const Offset vEnd{truncated(-kAxisReach * rx[2] * s), truncated(kAxisReach * ry[2] * c)};
    const Offset hInner{truncated(0.5 * rx[0] * c), truncated(0.5 * ry[0] * s)};
    const Offset vInner{truncated(-0.5 * rx[0] * s), truncated(0.5 * ry[0] * c)};
    auto axis = [&](Offset end, Offset inner, RgbColour colour) {
        if (m_showCenter) {
            drawing.axes.push_back({u - end.x, w + end.y, u + end.x, w - end.y, colour});
            return;
        }
        drawing.axes.push_back({u + inner.x, w - inner.y, u + end.x, w - end.y, colour});
        drawing.axes.push_back({u - inner.x, w + inner.y, u - end.x, w + end.y, colour});
    };
    axis(hEnd, hInner, kHorizontalColour);
    axis(vEnd, vInner, kVerticalColour);
    drawing.labels.push_back({u + hEnd.x, w - hEnd.y, "X"});
    drawing.labels.push_back({u + vEnd.x, w - vEnd.y, "Y"});
    return drawing;
}

ReticleHit Reticle::hitTest(double imageX, double imageY) const
{
    const AxisOffset offset = m_geometry.offsetsFromCentre(imageX, imageY);
    const double d = 2 * std::hypot(offset.h, offset.v);
    const double m = std::max(m_geometry.sx(), m_geometry.sy());
    if (m <= 0 || d <= diameterArcsec(0) / 2 || d >= kAxisReach * diameterArcsec(2))
        return ReticleHit::None;
    if (std::abs(offset.v) / m < kHitPixels)
        return offset.h > 0 ? ReticleHit::HorizontalPositive : ReticleHit::HorizontalNegative;
    if (std::abs(offset.h) / m < kHitPixels)
        return offset.v > 0 ? ReticleHit::VerticalPositive : ReticleHit::VerticalNegative;
    if (std::abs(d - diameterArcsec(2)) / m < kHitPixels)
        return ReticleHit::OuterCircle;
    return ReticleHit::None;
}

ReticleHit Reticle::press(double imageX, double imageY)
{
    m_dragging = hitTest(imageX, imageY);
    if (m_dragging == ReticleHit::None)
        setCentreTenths(common::truncateToUnits(imageX, 0.1), common::truncateToUnits(imageY, 0.1));
    return m_dragging;
}

void Reticle::drag(double imageX, double imageY)
{
    if (m_dragging == ReticleHit::None)
        return;
    if (m_dragging == ReticleHit::OuterCircle) {
        const AxisOffset offset = m_geometry.offsetsFromCentre(imageX, imageY);
        const double outer = 2 * std::hypot(offset.h, offset.v);
        const double ratio1 = m_ratio1;
        const double ratio2 = m_ratio2;
        m_diameters[2].setRealValue(outer);
        m_diameters[1].setRealValue(m_diameters[2].realValue() * ratio2);
        m_diameters[0].setRealValue(m_diameters[2].realValue() * ratio1);
        m_ratio1 = ratio1; // the proportions stay those the drag started with
        m_ratio2 = ratio2;
        return;
    }
    const double dx = (imageX - centreX()) * m_geometry.sx();
    const double dy = (imageY - centreY()) * m_geometry.sy();
    double polar = std::atan2(dy, dx) * kDegreesPerRadian;
    if (polar < 0)
        polar += 360.0;
    const double quarter = m_dragging == ReticleHit::HorizontalPositive ? 0.0
                           : m_dragging == ReticleHit::VerticalPositive  ? 90.0
                           : m_dragging == ReticleHit::HorizontalNegative ? 180.0
                                                                         : 270.0;
    double angle = polar - quarter;
    if (angle < 0)
        angle += 360.0;
    setAngleDegrees(angle);
}

std::optional<double> fittedTrackAngle(const std::vector<std::pair<double, double>>& track)
{
    if (track.empty())
        return std::nullopt;
    double sx = 0, sy = 0, sxx = 0, sxy = 0;
    for (const auto& [x, y] : track) {
        sx += x;
        sy += y;
        sxx += x * x;
        sxy += x * y;
    }
    const double n = static_cast<double>(track.size());
    const double denominator = n * sxx - sx * sx;
    if (denominator == 0.0)
        return 90.0; // a vertical track has no finite slope
    return std::atan((n * sxy - sy * sx) / denominator) * kDegreesPerRadian;
}

} // namespace velmora::client
