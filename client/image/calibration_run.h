#pragma once
// A calibration run (CCalibrateDlg without its window): after OK it averages the next
// "Average By Frames Number" raw frames of its window (converted, before dark and flat
// correction; the flat run subtracts the loaded dark first) into a 16-bit reference by
// integer division. One run per window at a time; Cancel ends it at any time.

#include "client/image/calibration.h"
#include "client/image/calibration_sink.h"
#include "client/image/image_frame.h"

#include <string>

namespace velmora::client {

class CalibrationRun : public CalibrationSink {
public:
    CalibrationRun(WindowCalibration& calibration, CalibrationKind kind);
    ~CalibrationRun() override;
    CalibrationRun(const CalibrationRun&) = delete;
    CalibrationRun& operator=(const CalibrationRun&) = delete;

    CalibrationKind kind() const { return m_kind; }
    // The dialog's top line.
    std::string prompt() const;
    // OK: false when another run holds the window.
    bool start(int frames);
    // Cancel or the dialog closing: the window is free again.
    void stop();
    bool running() const { return m_running; }
    bool finished() const { return m_finished; }
    int count() const { return m_count; }
    int frames() const { return m_frames; }
    // The average, once finished.
    const ImageFrame& result() const { return m_result; }
    // "Dark-Field (%dx%dx%d_%dx%.1f).bmp" or "Flat-Field (…)": size, frames, exposure.
    std::string defaultFileName(double exposureSeconds) const;
    // Saves the result and makes it the window's reference; false ("Error") keeps the
    // previous one.
    bool saveAndUse(const std::string& path);

    void addRawFrame(const ImageFrame& raw) override;

private:
    WindowCalibration& m_calibration;
    CalibrationKind m_kind;
    AccumulatorFrame m_sum;
    ImageFrame m_scratch;
    ImageFrame m_result;
    int m_frames = 0;
    int m_count = 0;
    bool m_running = false;
    bool m_finished = false;
};

} // namespace velmora::client
