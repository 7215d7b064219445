#include "client/guiding/guiding_controller.h"

#include "client/image/image_geometry.h"
#include "client/shell/settings_layout.h"
#include "client/shell/settings_store.h"

#include <algorithm>
#include <cstdio>

namespace velmora::client {

namespace {

settings::Axis settingAxis(GuidingAxisId id)
{
    return id == GuidingAxisId::Horizontal ? settings::Axis::X : settings::Axis::Y;
}

} // namespace

GuidingController::GuidingController(const ImageGeometry& geometry) : m_geometry(geometry) {}

void GuidingController::loadAxis(const SettingsStore& store, GuidingAxisId id)
{
    const settings::Axis axis = settingAxis(id);
    AxisSettings values;
    values.enabled = settings::read(store, settings::kAxisEnable, axis) != 0;
    values.frames = settings::read(store, settings::kAxisFrame, axis);
    values.proportionalTenths = settings::read(store, settings::kAxisProportional, axis);
    values.integralTenths = settings::read(store, settings::kAxisIntegral, axis);
    values.derivativeTenths = settings::read(store, settings::kAxisDerivative, axis);
    values.maximumMs = settings::read(store, settings::kAxisMaximum, axis);
    values.minimumMs = settings::read(store, settings::kAxisMinimum, axis);
    this->axis(id).setSettings(values);
}

void GuidingController::saveAxis(SettingsStore& store, GuidingAxisId id) const
{
    const settings::Axis axis = settingAxis(id);
    const AxisSettings& values = this->axis(id).settings();
    settings::write(store, settings::kAxisEnable, axis, values.enabled ? 1 : 0);
    settings::write(store, settings::kAxisFrame, axis, values.frames);
    settings::write(store, settings::kAxisProportional, axis, values.proportionalTenths);
    settings::write(store, settings::kAxisIntegral, axis, values.integralTenths);
    settings::write(store, settings::kAxisDerivative, axis, values.derivativeTenths);
    settings::write(store, settings::kAxisMaximum, axis, values.maximumMs);
    settings::write(store, settings::kAxisMinimum, axis, values.minimumMs);
}

void GuidingController::load(const SettingsStore& store)
{
    loadAxis(store, GuidingAxisId::Horizontal);
    loadAxis(store, GuidingAxisId::Vertical);
    m_average = settings::readBool(store, settings::kAverageByFrames);
    setGuidingRateHundredths(settings::read(store, settings::kGuidingRate));
}

void GuidingController::save(SettingsStore& store) const
{
    saveAxis(store, GuidingAxisId::Horizontal);
    saveAxis(store, GuidingAxisId::Vertical);
    settings::writeBool(store, settings::kAverageByFrames, m_average);
    settings::write(store, settings::kGuidingRate, m_guidingRate);
}

void GuidingController::setGuidingRateHundredths(int rate)
{
    m_guidingRate = std::clamp(rate, kMinGuidingRate, kMaxGuidingRate);
}

double GuidingController::proportionalHint() const
{
    return 1000.0 / (m_guidingRate * 0.01 * 15.0);
}

std::string GuidingController::proportionalHintText() const
{
    char text[64];
    std::snprintf(text, sizeof text, "P=%.2f", proportionalHint());
    return text;
}

AxisOffset GuidingController::AxisOffsets(double centroidX, double centroidY) const
{
    return m_geometry.offsetsFromCentre(centroidX, centroidY);
}

void GuidingController::resetState()
{
    for (GuidingAxis& axis : m_axes)
        axis.resetState();
}

ControllerStep GuidingController::step(double centroidX, double centroidY)
{
    const AxisOffset offsets = AxisOffsets(centroidX, centroidY);
    ControllerStep result;
    result.h = offsets.h;
    result.v = offsets.v;
    result.axes[0] = axis(GuidingAxisId::Horizontal).cycle(offsets.h, m_average);
    result.axes[1] = axis(GuidingAxisId::Vertical).cycle(offsets.v, m_average);
    return result;
}

} // namespace velmora::client
