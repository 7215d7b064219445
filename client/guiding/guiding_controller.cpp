#include "client/guiding/guiding_controller.h"

#include "client/image/image_geometry.h"
#include "client/shell/settings_store.h"

#include <algorithm>
#include <cstdio>

namespace velmora::client {

namespace {

std::string axisValue(const char* stem, GuidingAxisId id)
{
    return std::string(stem) + (id == GuidingAxisId::Horizontal ? " X" : " Y");
}

} // namespace

GuidingController::GuidingController(const ImageGeometry& geometry) : m_geometry(geometry) {}

void GuidingController::loadAxis(const SettingsStore& store, GuidingAxisId id)
{
    const AxisSettings defaults;
    AxisSettings settings;
    settings.enabled = store.readInt(kSection, axisValue("Enable", id), 1) != 0;
    settings.frames = store.readInt(kSection, axisValue("Frame", id), defaults.frames);
    settings.proportionalTenths =
        store.readInt(kSection, axisValue("Proportional", id), defaults.proportionalTenths);
    settings.integralTenths = store.readInt(kSection, axisValue("Integral", id), defaults.integralTenths);
    settings.derivativeTenths =
        store.readInt(kSection, axisValue("Derivative", id), defaults.derivativeTenths);
    settings.maximumMs = store.readInt(kSection, axisValue("Maximum", id), defaults.maximumMs);
    settings.minimumMs = store.readInt(kSection, axisValue("Minimum", id), defaults.minimumMs);
    axis(id).setSettings(settings);
}

void GuidingController::saveAxis(SettingsStore& store, GuidingAxisId id) const
{
    const AxisSettings& settings = axis(id).settings();
    store.writeInt(kSection, axisValue("Enable", id), settings.enabled ? 1 : 0);
    store.writeInt(kSection, axisValue("Frame", id), settings.frames);
    store.writeInt(kSection, axisValue("Proportional", id), settings.proportionalTenths);
    store.writeInt(kSection, axisValue("Integral", id), settings.integralTenths);
    store.writeInt(kSection, axisValue("Derivative", id), settings.derivativeTenths);
    store.writeInt(kSection, axisValue("Maximum", id), settings.maximumMs);
    store.writeInt(kSection, axisValue("Minimum", id), settings.minimumMs);
}

void GuidingController::load(const SettingsStore& store)
{
    loadAxis(store, GuidingAxisId::Horizontal);
    loadAxis(store, GuidingAxisId::Vertical);
    m_average = store.readInt(kSection, "Average", 1) != 0;
    setGuidingRateHundredths(store.readInt(kSection, "Guiding Rate", 50));
}

void GuidingController::save(SettingsStore& store) const
{
    saveAxis(store, GuidingAxisId::Horizontal);
    saveAxis(store, GuidingAxisId::Vertical);
    store.writeInt(kSection, "Average", m_average ? 1 : 0);
    store.writeInt(kSection, "Guiding Rate", m_guidingRate);
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
