#include "client/shell/settings_layout.h"

#include "client/shell/settings_store.h"

#include <array>
#include <cstdio>

namespace velmora::client::settings {

namespace {

constexpr std::array kIntSettings = {
    kPerformanceMode,
    kExposureTime,
    kExposureManualMode,
    kPixelWidth,
    kPixelHeight,
    kFocalLength,
    kAperture,
    kToolbarExposure,
    kToolbarFields,
    kToolbarReticle,
    kToolbarProcess,
    kToolbarHardware,
    kToolbarScreenshot,
    kDigitCapacity,
    kShowReticle,
    kShowCenter,
    kReticleCenterX,
    kReticleCenterY,
    kReticleDiameter1,
    kReticleDiameter2,
    kReticleDiameter3,
    kReticleAngle,
    kApplyDark,
    kApplyFlat,
    kDarkContrast,
    kFlatContrast,
    kAverageNumber,
    kScreenshotFileFormat,
    kScreenshotSplit,
    kScreenshotStandardFits,
    kCapturePrefix,
    kCaptureSuffix,
    kCaptureSplitPlanes,
    kCaptureFileType,
    kCaptureManualMode,
    kCaptureStandardFits,
    kAverageByFrames,
    kGuidingRate,
    kUseMedianFilter,
    kMedianNumber,
    kUseLinearFilter,
    kLinearNumber,
    kSaveLog,
    kShowGraph,
    kDriftXScale,
    kDriftYScale,
    kFftXScale,
    kFftYScale,
    kFftXNum,
    kFftYNum,
    kFocusFirstPosition,
    kFocusSecondPosition,
    kFocusCenterPosition,
    kFocusMeasuringStep,
    kFocusThresholdLevel,
    kFocusBacklashStep,
    kFocusUseBacklash,
    kFocusMedianNumber,
    kFocusUseMedianFilter,
    kFocusLinearNumber,
    kFocusUseLinearFilter,
    kRemoteEnable,
    kRemotePort,
    kIndiPort,
};

constexpr std::array kStringSettings = {
    kDriverCamera,    kDriverFocuser,    kDriverTelescope,     kDarkPath,
    kFlatPath,        kScreenshotFolder, kScreenshotFileName,  kCaptureFolder,
    kCaptureFileName, kLogPath,          kRemoteListenAddress, kIndiHost,
};

constexpr std::array kAxisSettings = {
    kAxisEnable,  kAxisFrame,   kAxisProportional, kAxisIntegral,  kAxisDerivative,
    kAxisMaximum, kAxisMinimum, kAxisShowGraph,    kAxisBinNumber, kAxisProbability,
};

constexpr std::array kToolSettings = {
    kToolSquareSize,   kToolIterLevel,      kToolAutoGuiding,   kToolFullScreen,
    kToolDetectNumber, kToolApplyHistogram, kToolAutoHistogram,
};

// Formats come from the table above only, each with exactly the arguments given.
std::string formatted(const char* format, int first, int second)
{
    char text[128];
    std::snprintf(text, sizeof text, format, first, second);
    return text;
}

} // namespace

std::span<const IntSetting> allIntSettings()
{
    return kIntSettings;
}

std::span<const StringSetting> allStringSettings()
{
    return kStringSettings;
}

std::span<const AxisIntSetting> allAxisSettings()
{
    return kAxisSettings;
}

std::span<const ToolIntSetting> allToolSettings()
{
    return kToolSettings;
}

std::string axisValueName(const AxisIntSetting& setting, Axis axis)
{
    return std::string(setting.stem) + (axis == Axis::X ? " X" : " Y");
}

std::string planeValueName(const char* format, int planeCount, int plane)
{
    return formatted(format, planeCount, plane);
}

std::string planeCaptionDefault(const PlaneStringSetting& setting, int plane)
{
    char text[64];
    std::snprintf(text, sizeof text, setting.defaultFormat, plane + 1);
    return text;
}

std::int32_t read(const SettingsStore& store, const IntSetting& setting)
{
    return store.readInt(setting.section, setting.value, setting.defaultValue);
}

std::string read(const SettingsStore& store, const StringSetting& setting)
{
    return store.readString(setting.section, setting.value, setting.defaultValue);
}

std::int32_t read(const SettingsStore& store, const AxisIntSetting& setting, Axis axis)
{
    return store.readInt(setting.section, axisValueName(setting, axis), setting.defaultValue);
}

std::int32_t read(const SettingsStore& store, const PlaneIntSetting& setting, int planeCount, int plane)
{
    return store.readInt(setting.section, planeValueName(setting.format, planeCount, plane),
                         setting.defaultValue);
}

std::string read(const SettingsStore& store, const PlaneStringSetting& setting, int planeCount, int plane)
{
    return store.readString(setting.section, planeValueName(setting.format, planeCount, plane),
                            planeCaptionDefault(setting, plane));
}

std::int32_t read(const SettingsStore& store, const std::string& section, const ToolIntSetting& setting)
{
    return store.readInt(section, setting.value, setting.defaultValue);
}

std::int32_t read(const SettingsStore& store, const std::string& section, const ToolPlaneIntSetting& setting,
                  int planeCount, int plane)
{
    return store.readInt(section, planeValueName(setting.format, planeCount, plane), setting.defaultValue);
}

bool readBool(const SettingsStore& store, const IntSetting& setting)
{
    return read(store, setting) != 0;
}

bool write(SettingsStore& store, const IntSetting& setting, std::int32_t number)
{
    return store.writeInt(setting.section, setting.value, number);
}

bool write(SettingsStore& store, const StringSetting& setting, const std::string& text)
{
    return store.writeString(setting.section, setting.value, text);
}

bool write(SettingsStore& store, const AxisIntSetting& setting, Axis axis, std::int32_t number)
{
    return store.writeInt(setting.section, axisValueName(setting, axis), number);
}

bool write(SettingsStore& store, const PlaneIntSetting& setting, int planeCount, int plane,
           std::int32_t number)
{
    return store.writeInt(setting.section, planeValueName(setting.format, planeCount, plane), number);
}

bool write(SettingsStore& store, const PlaneStringSetting& setting, int planeCount, int plane,
           const std::string& text)
{
    return store.writeString(setting.section, planeValueName(setting.format, planeCount, plane), text);
}

bool write(SettingsStore& store, const std::string& section, const ToolIntSetting& setting,
           std::int32_t number)
{
    return store.writeInt(section, setting.value, number);
}

bool write(SettingsStore& store, const std::string& section, const ToolPlaneIntSetting& setting,
           int planeCount, int plane, std::int32_t number)
{
    return store.writeInt(section, planeValueName(setting.format, planeCount, plane), number);
}

bool writeBool(SettingsStore& store, const IntSetting& setting, bool on)
{
    return write(store, setting, on ? 1 : 0);
}

} // namespace velmora::client::settings
