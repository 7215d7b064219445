#include "client/shell/hardware_optics.h"

#include "client/shell/settings_layout.h"

namespace velmora::client {

namespace {

constexpr std::int32_t kMinHardwareValue = 1;
constexpr std::int32_t kMaxHardwareValue = 999999;

common::NumericField hardwareField(double scale, std::uint32_t extraFlags)
{
    common::NumericField field;
    field.setFlags(common::kHasSpin | common::kRangeCheck | extraFlags);
    field.setFormat("%.2f");
    field.setScale(scale);
    field.setRange(kMinHardwareValue, kMaxHardwareValue);
    return field;
}

void setFromReading(common::NumericField& field, const std::optional<double>& reading)
{
    if (reading && *reading > 0.0)
        field.setRealValue(*reading);
}

} // namespace

common::NumericField HardwareOptics::pixelSizeField()
{
    return hardwareField(0.01, common::kDecimalDisplay);
}

common::NumericField HardwareOptics::lengthField()
{
    return hardwareField(0.001, 0);
}

common::NumericField HardwareOptics::resultField()
{
    common::NumericField field;
    field.setFlags(common::kDecimalDisplay);
    field.setFormat("%.2f");
    field.setScale(0.01);
    return field;
}

common::NumericField HardwareOptics::shownResult(double value)
{
    common::NumericField field = resultField();
    field.setRealValue(value);
    return field;
}

HardwareOptics::HardwareOptics()
    : m_pixelWidth(pixelSizeField()), m_pixelHeight(pixelSizeField()), m_focalLength(lengthField()),
      m_aperture(lengthField())
{
    m_pixelWidth.setValue(settings::kPixelWidth.defaultValue);
    m_pixelHeight.setValue(settings::kPixelHeight.defaultValue);
    m_focalLength.setValue(settings::kFocalLength.defaultValue);
    m_aperture.setValue(settings::kAperture.defaultValue);
}

void HardwareOptics::load(const SettingsStore& store)
{
    setPixelWidth(settings::read(store, settings::kPixelWidth));
    setPixelHeight(settings::read(store, settings::kPixelHeight));
    setFocalLength(settings::read(store, settings::kFocalLength));
    setAperture(settings::read(store, settings::kAperture));
}

void HardwareOptics::save(SettingsStore& store) const
{
    settings::write(store, settings::kPixelWidth, m_pixelWidth.value());
    settings::write(store, settings::kPixelHeight, m_pixelHeight.value());
    settings::write(store, settings::kFocalLength, m_focalLength.value());
    settings::write(store, settings::kAperture, m_aperture.value());
}

void HardwareOptics::setPixelWidth(std::int32_t hundredthsOfMicrometre)
{
    m_pixelWidth.setValue(hundredthsOfMicrometre);
}

void HardwareOptics::setPixelHeight(std::int32_t hundredthsOfMicrometre)
{
    m_pixelHeight.setValue(hundredthsOfMicrometre);
}

void HardwareOptics::setFocalLength(std::int32_t millimetres)
{
    m_focalLength.setValue(millimetres);
}

void HardwareOptics::setAperture(std::int32_t millimetres)
{
    m_aperture.setValue(millimetres);
}

void HardwareOptics::applyReadings(const HardwareReadings& readings)
{
    setFromReading(m_pixelWidth, readings.pixelSizeXMicrometres);
    setFromReading(m_pixelHeight, readings.pixelSizeYMicrometres);
    setFromReading(m_focalLength, readings.focalLengthMetres);
    setFromReading(m_aperture, readings.apertureMetres);
}

double HardwareOptics::focalRatio() const
{
    return m_focalLength.realValue() / m_aperture.realValue();
}

double HardwareOptics::resolutionArcsec() const
{
    return kResolutionArcsecondMetres / m_aperture.realValue();
}

double HardwareOptics::scaleX() const
{
    return kArcsecondsPerMicrometrePerMetre * m_pixelWidth.realValue() / m_focalLength.realValue();
}

double HardwareOptics::scaleY() const
{
    return kArcsecondsPerMicrometrePerMetre * m_pixelHeight.realValue() / m_focalLength.realValue();
}

} // namespace velmora::client
