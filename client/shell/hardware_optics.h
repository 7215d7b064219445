#pragma once
// The hardware bar's optics: pixel size, focal length and aperture as the bar's
// numeric fields hold them, and what follows from them: F/D, the resolving power, the
// image scales sx and sy (arcseconds per pixel, which measurement and guiding use) and
// the fields of view of a frame. The client's windows and the headless guider share it.

#include "common/numeric_field.h"

#include <cstdint>
#include <optional>

namespace velmora::client {

class SettingsStore;

// What "Get From Hardware" could read; a value that failed to read, or is not above 0,
// is absent and leaves its field as it was.
struct HardwareReadings {
    std::optional<double> pixelSizeXMicrometres;
    std::optional<double> pixelSizeYMicrometres;
    std::optional<double> focalLengthMetres;
    std::optional<double> apertureMetres;
};

class HardwareOptics {
public:
    static constexpr double kArcsecondsPerMicrometrePerMetre = 0.20626480648278825;
    static constexpr double kResolutionArcsecondMetres = 0.12582153195450083;

    // The four input fields: "Pixel Width (mkm)", "Pixel Height (mkm)" (hundredths of a
    // micrometre, "%.2f"), "Focal Length (mm)", "Aperture (mm)" (millimetres shown as
    // integers, real value in metres); 1…999999, clamped.
    static common::NumericField pixelSizeField();
    static common::NumericField lengthField();
    // A read-only result: hundredths, "%.2f", no spin, no range.
    static common::NumericField resultField();

    HardwareOptics();

    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;

    // Integer values as the fields hold them, each through its field's range.
    void setPixelWidth(std::int32_t hundredthsOfMicrometre);
    void setPixelHeight(std::int32_t hundredthsOfMicrometre);
    void setFocalLength(std::int32_t millimetres);
    void setAperture(std::int32_t millimetres);
    void applyReadings(const HardwareReadings& readings);

    const common::NumericField& pixelWidth() const { return m_pixelWidth; }
    const common::NumericField& pixelHeight() const { return m_pixelHeight; }
    const common::NumericField& focalLength() const { return m_focalLength; }
    const common::NumericField& aperture() const { return m_aperture; }

    // Computed from the real values, unrounded.
    double focalRatio() const;
    double resolutionArcsec() const;
    double scaleX() const; // sx, arcseconds per pixel
    double scaleY() const;
    // Arcminutes across a frame of this size.
    double fieldOfViewX(int width) const { return width * scaleX() / 60.0; }
    double fieldOfViewY(int height) const { return height * scaleY() / 60.0; }

    // The result fields as shown: each value set from real, so truncated to hundredths.
    static common::NumericField shownResult(double value);

private:
    common::NumericField m_pixelWidth;
    common::NumericField m_pixelHeight;
    common::NumericField m_focalLength;
    common::NumericField m_aperture;
};

} // namespace velmora::client
