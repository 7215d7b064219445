#pragma once
// Dark and flat calibration of an image window: the correction of the raw frame
// (dark subtracted without wrap, flat divided out through a gain table in which 255 is
// a gain of 1), the references with their files, contrasts and "Apply" options
// (section "Fields"), the matching rule (a reference is applied only while it has the
// window's width, height and plane count), and the enable rules of the fields bar.

#include "client/image/frame_corrector.h"
#include "client/image/image_frame.h"

#include <cstdint>
#include <string>

namespace velmora::client {

class FramePipeline;
class SettingsStore;

// s = s − d when d < s, else 0.
void SubtractDark(ImageFrame& raw, const ImageFrame& dark);
// s = trunc(c·s), 65535 when that reaches 65535.
void ScaleDark(ImageFrame& dark, double contrast);
// Per plane: M = mean (64-bit sum ÷ plane size); each sample d becomes the gain
// 255 for d = 0, else trunc(255·(d / M)^x) with 65535 and 1 as the limits. A plane
// whose mean is 0 is left as loaded.
void MakeFlatGains(ImageFrame& flat, double exponent);
// s = s·255 / g, 65535 when that reaches 65535; a gain of 0 (a flat plane left as it
// was loaded) corrects nothing.
void ApplyFlat(ImageFrame& raw, const ImageFrame& gains);

class CalibrationCorrector : public FrameCorrector {
public:
    void subtractDark(ImageFrame& raw, const ImageFrame& dark) override { SubtractDark(raw, dark); }
    void applyFlat(ImageFrame& raw, const ImageFrame& flatGains) override { ApplyFlat(raw, flatGains); }
};

enum class CalibrationKind { Dark, Flat };

// The fields bar's controls.
namespace fields_bar {
constexpr int kDarkOpen = 1006;
constexpr int kDarkCalibrate = 1007;
constexpr int kDarkContrast = 1008; // hundredths, 0…200
constexpr int kFlatOpen = 1010;
constexpr int kFlatCalibrate = 1011;
constexpr int kFlatContrast = 1012;
constexpr int kApplyDark = 1054;  // "Apply Dark-Field"
constexpr int kApplyFlat = 1055;  // "Apply Flat-Field"
} // namespace fields_bar

class WindowCalibration {
public:
    static constexpr int kMaxContrast = 200; // hundredths
    static constexpr int kMinAverage = 1;
    static constexpr int kMaxAverage = 1000;

    // Reads section "Fields", loads the reference files and hooks the corrector into
    // the window's pipeline.
    WindowCalibration(FramePipeline& window, SettingsStore& store);
    ~WindowCalibration();
    WindowCalibration(const WindowCalibration&) = delete;
    WindowCalibration& operator=(const WindowCalibration&) = delete;
    void save(SettingsStore& store) const;

    bool applyDark() const { return m_applyDark; }
    bool applyFlat() const { return m_applyFlat; }
    int contrast(CalibrationKind kind) const { return kind == CalibrationKind::Dark ? m_darkContrast : m_flatContrast; }
    const std::string& path(CalibrationKind kind) const { return kind == CalibrationKind::Dark ? m_darkPath : m_flatPath; }
    int averageNumber() const { return m_averageNumber; }
    void setAverageNumber(int frames);

    // A reference that is loaded and of the window's size.
    bool matches(CalibrationKind kind) const;

    // "Apply Dark-Field" / "Apply Flat-Field"; unchecking the dark unchecks the flat.
    // Each reruns the pipeline (not as a new frame).
    void setApplyDark(bool on);
    void setApplyFlat(bool on);
    // A contrast field: the reference is loaded again from its file with the new factor.
    void setContrast(CalibrationKind kind, int hundredths);
    // "Open" or a calibration's saved file: the path, the reference loaded from it.
    void setPath(CalibrationKind kind, const std::string& path);

    // Enable rules of the fields bar.
    bool darkControlsEnabled() const { return matches(CalibrationKind::Dark); } // contrast, Apply, flat Calibrate
    bool flatControlsEnabled() const { return matches(CalibrationKind::Flat); } // contrast, Apply

    FramePipeline& window() { return m_window; }

private:
    void loadDark();
    void loadFlat();
    void pushOptions();
    void rerun();

    FramePipeline& m_window;
    CalibrationCorrector m_corrector;
    bool m_applyDark = false;
    bool m_applyFlat = false;
    int m_darkContrast = 100;
    int m_flatContrast = 100;
    std::string m_darkPath;
    std::string m_flatPath;
    int m_averageNumber = 10;
};

} // namespace velmora::client
