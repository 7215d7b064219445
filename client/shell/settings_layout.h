#pragma once
// The client's whole settings layout in one place: every (section, value, default)
// it keeps under HKEY_CURRENT_USER\Software\Velmora Software\Velmora Nebrix Client.
// Owners read each value when they are created and write it when they are destroyed,
// always through these constants, so a name or a default exists exactly once.
//
// Some names are built at run time: per-axis values are a stem followed by " X"
// (horizontal) or " Y" (vertical); per-plane values are printf formats taking the
// plane count and the plane; the tool-dialog values live in the section named after
// each tool window ("Guiding", "Focusing-3", "Capture", "Preview").

#include <cstdint>
#include <span>
#include <string>

namespace velmora::client {

class SettingsStore;

namespace settings {

struct IntSetting {
    const char* section;
    const char* value;
    std::int32_t defaultValue;
};

struct StringSetting {
    const char* section;
    const char* value;
    const char* defaultValue;
};

// A value per guiding axis: stem + " X" or stem + " Y".
struct AxisIntSetting {
    const char* section;
    const char* stem;
    std::int32_t defaultValue;
};

// A value per plane: format with (plane count, plane), e.g. "Color-%d-%d".
struct PlaneIntSetting {
    const char* section;
    const char* format;
    std::int32_t defaultValue;
};

// A string per plane whose default is itself a format taking the plane number p + 1.
struct PlaneStringSetting {
    const char* section;
    const char* format;
    const char* defaultFormat;
};

// A value of every tool dialog, in the section given at run time.
struct ToolIntSetting {
    const char* value;
    std::int32_t defaultValue;
};

struct ToolPlaneIntSetting {
    const char* format;
    std::int32_t defaultValue;
};

enum class Axis { X = 0, Y = 1 };

// ---- Main frame and device access --------------------------------------------------
inline constexpr StringSetting kDriverCamera{"Drivers", "Camera", "VelmoraServer.Camera"};
inline constexpr StringSetting kDriverFocuser{"Drivers", "Focuser", "VelmoraServer.Focuser"};
inline constexpr StringSetting kDriverTelescope{"Drivers", "Telescope", "VelmoraServer.Telescope"};
inline constexpr IntSetting kPerformanceMode{"Options", "Perfomance Mode", 0};
inline constexpr IntSetting kExposureTime{"Exposure", "Exposure Time", 0}; // hundredths of a second
inline constexpr IntSetting kExposureManualMode{"Exposure", "Manual Mode", 1};
inline constexpr IntSetting kPixelWidth{"Hardware", "Pixel Width", 560}; // hundredths of a micrometre
inline constexpr IntSetting kPixelHeight{"Hardware", "Pixel Height", 560};
inline constexpr IntSetting kFocalLength{"Hardware", "Focal Length", 1000}; // millimetres
inline constexpr IntSetting kAperture{"Hardware", "Aperture", 200};         // millimetres
inline constexpr IntSetting kToolbarExposure{"Toolbars", "Exposure", 0};
inline constexpr IntSetting kToolbarFields{"Toolbars", "Fields", 0};
inline constexpr IntSetting kToolbarReticle{"Toolbars", "Reticle", 0};
inline constexpr IntSetting kToolbarProcess{"Toolbars", "Process", 0};
inline constexpr IntSetting kToolbarHardware{"Toolbars", "Hardware", 0};
inline constexpr IntSetting kToolbarScreenshot{"Toolbars", "Screenshot", 0};

// ---- Image window ------------------------------------------------------------------
inline constexpr IntSetting kDigitCapacity{"Hardware", "Digit Capacity", 8};
inline constexpr PlaneIntSetting kPlaneColour{"Hardware", "Color-%d-%d", 3};
inline constexpr PlaneStringSetting kPlaneCaption{"Hardware", "Caption-%d-%d", "Plane %d"};
inline constexpr IntSetting kShowReticle{"Reticle", "Show Reticle", 1};
inline constexpr IntSetting kShowCenter{"Reticle", "Show Center", 0};
inline constexpr IntSetting kReticleCenterX{"Reticle", "Center X", 3200}; // tenths of a pixel
inline constexpr IntSetting kReticleCenterY{"Reticle", "Center Y", 2400};
inline constexpr IntSetting kReticleDiameter1{"Reticle", "Diameter 1", 0}; // hundredths of an arcsecond
inline constexpr IntSetting kReticleDiameter2{"Reticle", "Diameter 2", 0};
inline constexpr IntSetting kReticleDiameter3{"Reticle", "Diameter 3", 0};
inline constexpr IntSetting kReticleAngle{"Reticle", "Angle", 0}; // hundredths of a degree
inline constexpr IntSetting kApplyDark{"Fields", "Apply Dark", 0};
inline constexpr IntSetting kApplyFlat{"Fields", "Apply Flat", 0};
inline constexpr IntSetting kDarkContrast{"Fields", "Dark Contrast", 100};
inline constexpr IntSetting kFlatContrast{"Fields", "Flat Contrast", 100};
inline constexpr StringSetting kDarkPath{"Fields", "Dark Path", ""};
inline constexpr StringSetting kFlatPath{"Fields", "Flat Path", ""};
inline constexpr IntSetting kAverageNumber{"Fields", "Average Number", 10};
inline constexpr IntSetting kScreenshotFileFormat{"Screenshot", "File Format", 0};
inline constexpr IntSetting kScreenshotSplit{"Screenshot", "Split", 0};
inline constexpr StringSetting kScreenshotFolder{"Screenshot", "Folder Path", "~/"};
inline constexpr StringSetting kScreenshotFileName{"Screenshot", "File Name", "Screenshot"};
inline constexpr IntSetting kScreenshotStandardFits{"Screenshot", "Standard FITS", 0};

// ---- Capture -----------------------------------------------------------------------
inline constexpr StringSetting kCaptureFolder{"Capture", "Folder Name", "~/"};
inline constexpr StringSetting kCaptureFileName{"Capture", "File Name", "Capture"};
inline constexpr IntSetting kCapturePrefix{"Capture", "Prefix", 3};
inline constexpr IntSetting kCaptureSuffix{"Capture", "Suffix", 3};
inline constexpr IntSetting kCaptureSplitPlanes{"Capture", "Split Planes", 0};
inline constexpr IntSetting kCaptureFileType{"Capture", "File Type", 0};
inline constexpr IntSetting kCaptureManualMode{"Capture", "Manual Mode", 0};
inline constexpr IntSetting kCaptureStandardFits{"Capture", "Standard FITS", 0};

// ---- Guiding -----------------------------------------------------------------------
inline constexpr AxisIntSetting kAxisEnable{"Guiding", "Enable", 1};
inline constexpr AxisIntSetting kAxisFrame{"Guiding", "Frame", 10};
inline constexpr AxisIntSetting kAxisProportional{"Guiding", "Proportional", 1000}; // tenths
inline constexpr AxisIntSetting kAxisIntegral{"Guiding", "Integral", 0};
inline constexpr AxisIntSetting kAxisDerivative{"Guiding", "Derivative", 0};
inline constexpr AxisIntSetting kAxisMaximum{"Guiding", "Maximum", 1800}; // ms
inline constexpr AxisIntSetting kAxisMinimum{"Guiding", "Minimum", 100};  // ms
inline constexpr IntSetting kAverageByFrames{"Guiding", "Average", 1};
inline constexpr IntSetting kGuidingRate{"Guiding", "Guiding Rate", 50}; // hundredths of 15''/sec
inline constexpr IntSetting kUseMedianFilter{"Guiding", "Use Median Filter", 0};
inline constexpr IntSetting kMedianNumber{"Guiding", "Median Number", 3};
inline constexpr IntSetting kUseLinearFilter{"Guiding", "Use Linear Filter", 0};
inline constexpr IntSetting kLinearNumber{"Guiding", "Linear Number", 3};
inline constexpr IntSetting kSaveLog{"Guiding", "Save Log", 0};
inline constexpr StringSetting kLogPath{"Guiding", "Log Path", "~/DriftLog.txt"};
inline constexpr IntSetting kShowGraph{"Guiding", "Show Graph", 0};
inline constexpr AxisIntSetting kAxisShowGraph{"Guiding", "Show Graph", 1};
inline constexpr IntSetting kDriftXScale{"Guiding", "Drift X Scale", 10};
inline constexpr IntSetting kDriftYScale{"Guiding", "Drift Y Scale", 100};
inline constexpr AxisIntSetting kAxisBinNumber{"Guiding", "Bin Number", 10};
inline constexpr AxisIntSetting kAxisProbability{"Guiding", "Probability", 95};
inline constexpr IntSetting kFftXScale{"Guiding", "FFT X Scale", 1};
inline constexpr IntSetting kFftYScale{"Guiding", "FFT Y Scale", 1000};
inline constexpr IntSetting kFftXNum{"Guiding", "FFT X Num", 10};
inline constexpr IntSetting kFftYNum{"Guiding", "FFT Y Num", 10};

// ---- Focusing ----------------------------------------------------------------------
inline constexpr IntSetting kFocusFirstPosition{"Focusing-3", "First Position", 100};
inline constexpr IntSetting kFocusSecondPosition{"Focusing-3", "Second Position", 400};
inline constexpr IntSetting kFocusCenterPosition{"Focusing-3", "Center Position", 500};
inline constexpr IntSetting kFocusMeasuringStep{"Focusing-3", "Measuring Step", 10};
inline constexpr IntSetting kFocusThresholdLevel{"Focusing-3", "Threshold Level", 50};
inline constexpr IntSetting kFocusBacklashStep{"Focusing-3", "Backlash Step", 0};
inline constexpr IntSetting kFocusUseBacklash{"Focusing-3", "Use Backlash", 0};
inline constexpr IntSetting kFocusMedianNumber{"Focusing-3", "Median Number", 3};
inline constexpr IntSetting kFocusUseMedianFilter{"Focusing-3", "Use Median Filter", 0};
inline constexpr IntSetting kFocusLinearNumber{"Focusing-3", "Linear Number", 3};
inline constexpr IntSetting kFocusUseLinearFilter{"Focusing-3", "Use Linear Filter", 0};

// ---- Guiding server for imaging programs ---------------------------------------------
inline constexpr IntSetting kRemoteEnable{"Remote", "Enable", 0};
inline constexpr IntSetting kRemotePort{"Remote", "Port", 4400};
inline constexpr StringSetting kRemoteListenAddress{"Remote", "Listen Address", "127.0.0.1"};
// The indiserver whose devices the driver chooser lists.
inline constexpr StringSetting kIndiHost{"INDI", "Host", "127.0.0.1"};
inline constexpr IntSetting kIndiPort{"INDI", "Port", 7624};

// ---- Every tool dialog, in its own section -------------------------------------------
inline constexpr const char* kGuidingSection = "Guiding";
inline constexpr const char* kFocusingSection = "Focusing-3";
inline constexpr const char* kCaptureSection = "Capture";
inline constexpr const char* kPreviewSection = "Preview";
inline constexpr ToolIntSetting kToolSquareSize{"Square Size", 64};
inline constexpr ToolIntSetting kToolIterLevel{"Iter Level", 10}; // tenths of a pixel
inline constexpr ToolIntSetting kToolAutoGuiding{"Auto Guiding", 0};
inline constexpr ToolIntSetting kToolFullScreen{"Full Screen", 0};
inline constexpr ToolIntSetting kToolDetectNumber{"Detect Number", 5};
inline constexpr ToolIntSetting kToolApplyHistogram{"Apply Histogram", 0};
inline constexpr ToolIntSetting kToolAutoHistogram{"Auto Histogram", 0};
inline constexpr ToolPlaneIntSetting kToolMinLevel{"Min Level %d-%d", 0};
inline constexpr ToolPlaneIntSetting kToolMaxLevel{"Max Level %d-%d", 0};
inline constexpr ToolPlaneIntSetting kToolMinColour{"Min Color %d-%d", 0};
inline constexpr ToolPlaneIntSetting kToolMaxColour{"Max Color %d-%d", 65535};
inline constexpr ToolPlaneIntSetting kToolReferenceColour{"Reference Color %d-%d", 0};

// Every fixed-name value above, for whole-layout checks and tools.
std::span<const IntSetting> allIntSettings();
std::span<const StringSetting> allStringSettings();
std::span<const AxisIntSetting> allAxisSettings();
std::span<const ToolIntSetting> allToolSettings();

// Built names.
std::string axisValueName(const AxisIntSetting& setting, Axis axis);
std::string planeValueName(const char* format, int planeCount, int plane);
std::string planeCaptionDefault(const PlaneStringSetting& setting, int plane);

// Reading gives the default for a missing value or one of another type.
std::int32_t read(const SettingsStore& store, const IntSetting& setting);
std::string read(const SettingsStore& store, const StringSetting& setting);
std::int32_t read(const SettingsStore& store, const AxisIntSetting& setting, Axis axis);
std::int32_t read(const SettingsStore& store, const PlaneIntSetting& setting, int planeCount, int plane);
std::string read(const SettingsStore& store, const PlaneStringSetting& setting, int planeCount, int plane);
std::int32_t read(const SettingsStore& store, const std::string& section, const ToolIntSetting& setting);
std::int32_t read(const SettingsStore& store, const std::string& section, const ToolPlaneIntSetting& setting,
                  int planeCount, int plane);
bool readBool(const SettingsStore& store, const IntSetting& setting);

bool write(SettingsStore& store, const IntSetting& setting, std::int32_t number);
bool write(SettingsStore& store, const StringSetting& setting, const std::string& text);
bool write(SettingsStore& store, const AxisIntSetting& setting, Axis axis, std::int32_t number);
bool write(SettingsStore& store, const PlaneIntSetting& setting, int planeCount, int plane,
           std::int32_t number);
bool write(SettingsStore& store, const PlaneStringSetting& setting, int planeCount, int plane,
           const std::string& text);
bool write(SettingsStore& store, const std::string& section, const ToolIntSetting& setting,
           std::int32_t number);
bool write(SettingsStore& store, const std::string& section, const ToolPlaneIntSetting& setting,
           int planeCount, int plane, std::int32_t number);
bool writeBool(SettingsStore& store, const IntSetting& setting, bool on);

} // namespace settings
} // namespace velmora::client
