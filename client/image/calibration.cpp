#include "client/image/calibration.h"

#include "client/image/calibration_file.h"
#include "client/image/frame_pipeline.h"
#include "client/shell/settings_layout.h"
#include "client/shell/user_paths.h"

#include <algorithm>
#include <cmath>

namespace velmora::client {

namespace {

constexpr std::uint32_t kFullScale = 65535;
constexpr std::uint32_t kUnitGain = 255;

std::uint16_t saturated(double value)
{
    return value >= kFullScale ? static_cast<std::uint16_t>(kFullScale) : static_cast<std::uint16_t>(value);
}

} // namespace

void SubtractDark(ImageFrame& raw, const ImageFrame& dark)
{
    std::uint16_t* s = raw.samples();
    const std::uint16_t* d = dark.samples();
    const int count = std::min(raw.sampleCount(), dark.sampleCount());
    for (int i = 0; i < count; ++i)
        s[i] = d[i] < s[i] ? static_cast<std::uint16_t>(s[i] - d[i]) : 0;
}

void ScaleDark(ImageFrame& dark, double contrast)
{
    for (std::uint16_t& s : dark.sampleSpan())
        s = saturated(std::trunc(contrast * s));
}

void MakeFlatGains(ImageFrame& flat, double exponent)
{
    for (int p = 0; p < flat.planeCount(); ++p) {
        std::uint16_t* plane = flat.plane(p);
        const int size = flat.planeSize();
        std::uint64_t sum = 0;
        for (int i = 0; i < size; ++i)
            sum += plane[i];
        const auto mean = static_cast<std::uint16_t>(sum / static_cast<std::uint64_t>(size));
        if (mean == 0)
            continue;
        for (int i = 0; i < size; ++i) {
            const std::uint16_t d = plane[i];
            if (d == 0) {
                plane[i] = kUnitGain;
                continue;
            }
            const double g = std::trunc(kUnitGain * std::pow(static_cast<double>(d) / mean, exponent));
            plane[i] = g >= kFullScale ? static_cast<std::uint16_t>(kFullScale)
                       : g <= 0        ? std::uint16_t{1}
                                       : static_cast<std::uint16_t>(g);
        }
    }
}

void ApplyFlat(ImageFrame& raw, const ImageFrame& gains)
{
    std::uint16_t* s = raw.samples();
    const std::uint16_t* g = gains.samples();
    const int count = std::min(raw.sampleCount(), gains.sampleCount());
    for (int i = 0; i < count; ++i) {
        if (g[i] == 0)
            continue;
        const std::uint32_t corrected = static_cast<std::uint32_t>(s[i]) * kUnitGain / g[i];
        s[i] = corrected >= kFullScale ? static_cast<std::uint16_t>(kFullScale) : static_cast<std::uint16_t>(corrected);
    }
}

WindowCalibration::WindowCalibration(FramePipeline& window, SettingsStore& store) : m_window(window)
{
    m_applyDark = settings::readBool(store, settings::kApplyDark);
    m_applyFlat = settings::readBool(store, settings::kApplyFlat);
    m_darkContrast = std::clamp(settings::read(store, settings::kDarkContrast), 0, kMaxContrast);
    m_flatContrast = std::clamp(settings::read(store, settings::kFlatContrast), 0, kMaxContrast);
    m_darkPath = settings::read(store, settings::kDarkPath);
    m_flatPath = settings::read(store, settings::kFlatPath);
    setAverageNumber(settings::read(store, settings::kAverageNumber));
    m_window.setFrameCorrector(&m_corrector);
    loadDark();
    loadFlat();
    pushOptions();
}

WindowCalibration::~WindowCalibration()
{
    m_window.setFrameCorrector(nullptr);
}

void WindowCalibration::save(SettingsStore& store) const
{
    settings::writeBool(store, settings::kApplyDark, m_applyDark);
    settings::writeBool(store, settings::kApplyFlat, m_applyFlat);
    settings::write(store, settings::kDarkContrast, m_darkContrast);
    settings::write(store, settings::kFlatContrast, m_flatContrast);
    settings::write(store, settings::kDarkPath, m_darkPath);
    settings::write(store, settings::kFlatPath, m_flatPath);
    settings::write(store, settings::kAverageNumber, m_averageNumber);
}

void WindowCalibration::setAverageNumber(int frames)
{
    m_averageNumber = std::clamp(frames, kMinAverage, kMaxAverage);
}

bool WindowCalibration::matches(CalibrationKind kind) const
{
    const ImageFrame& reference = kind == CalibrationKind::Dark ? m_window.darkFrameView() : m_window.flatFrameView();
    return !reference.isEmpty() && reference.sameDimensions(m_window.rawFrame());
}

// The factor applies to the file's samples, so each change loads the file again.
void WindowCalibration::loadDark()
{
    ImageFrame& dark = m_window.darkFrame();
    if (!m_darkPath.empty() && LoadCalibrationFile(expandUserPath(m_darkPath), dark))
        ScaleDark(dark, m_darkContrast * 0.01);
    else
        dark.Release();
    if (!matches(CalibrationKind::Dark))
        m_applyDark = m_applyFlat = false;
}

void WindowCalibration::loadFlat()
{
    ImageFrame& flat = m_window.flatFrame();
    if (!m_flatPath.empty() && LoadCalibrationFile(expandUserPath(m_flatPath), flat))
        MakeFlatGains(flat, m_flatContrast * 0.01);
    else
        flat.Release();
    if (!matches(CalibrationKind::Flat))
        m_applyFlat = false;
}

void WindowCalibration::pushOptions()
{
    m_window.setApplyDark(m_applyDark);
    m_window.setApplyFlat(m_applyFlat);
}

void WindowCalibration::rerun()
{
    pushOptions();
    m_window.runPipeline(false);
}

void WindowCalibration::setApplyDark(bool on)
{
    m_applyDark = on && matches(CalibrationKind::Dark);
    if (!m_applyDark)
        m_applyFlat = false;
    rerun();
}

void WindowCalibration::setApplyFlat(bool on)
{
    m_applyFlat = on && matches(CalibrationKind::Flat);
    rerun();
}

void WindowCalibration::setContrast(CalibrationKind kind, int hundredths)
{
    const int contrast = std::clamp(hundredths, 0, kMaxContrast);
    if (kind == CalibrationKind::Dark) {
        m_darkContrast = contrast;
        loadDark();
    } else {
        m_flatContrast = contrast;
        loadFlat();
    }
    rerun();
}

void WindowCalibration::setPath(CalibrationKind kind, const std::string& path)
{
    if (kind == CalibrationKind::Dark) {
        m_darkPath = path;
        loadDark();
    } else {
        m_flatPath = path;
        loadFlat();
    }
    rerun();
}

} // namespace velmora::client
