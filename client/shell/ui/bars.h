#pragma once
// The six dialog bars' controls, and how the exposure, hardware and processing bars
// show the core's state. The fields, reticle and screenshot bars are built whole and
// show their stored values; their controls stay disabled while no handler exists.

#include <QString>

#include <string>

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

using common::ControlForm;
class CHistogramGraph;
class ExposureCycle;
class MainFrame;
class SettingsStore;
struct ProcessingBarView;
class Reticle;
class WindowCalibration;

ControlForm* buildExposureBar();
ControlForm* buildFieldsBar(const SettingsStore& store);
ControlForm* buildScreenshotBar(const SettingsStore& store);
ControlForm* buildHardwareBar();
ControlForm* buildReticleBar(const SettingsStore& store);
ControlForm* buildProcessingBar();

void showExposureBar(ControlForm& bar, const ExposureCycle& cycle);
void showHardwareBar(ControlForm& bar, const MainFrame& frame);
// Without a tool the bar keeps its values and shows no header text.
void showProcessingBar(ControlForm& bar, const ProcessingBarView* view, int frameWidth, int frameHeight);
CHistogramGraph* histogramGraphOf(const ControlForm& bar);
// The image window's references and options; without a window the bar keeps its values.
void showFieldsBar(ControlForm& bar, const WindowCalibration* calibration);
// The program's reticle, with the ranges of the moment; "Calibrate" or "Finish".
void showReticleBar(ControlForm& bar, const Reticle& reticle, const std::string& calibrateText);

} // namespace velmora::client
