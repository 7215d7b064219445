#pragma once
// The six dialog bars' controls, and how the exposure, hardware and processing bars
// show the core's state. The fields, reticle and screenshot bars are built whole and
// show their stored values; their controls stay disabled while no handler exists.

#include <QString>

namespace velmora::client {

class BarForm;
class CHistogramGraph;
class ExposureCycle;
class MainFrame;
class SettingsStore;
struct ProcessingBarView;

BarForm* buildExposureBar();
BarForm* buildFieldsBar(const SettingsStore& store);
BarForm* buildScreenshotBar(const SettingsStore& store);
BarForm* buildHardwareBar();
BarForm* buildReticleBar(const SettingsStore& store);
BarForm* buildProcessingBar();

void showExposureBar(BarForm& bar, const ExposureCycle& cycle);
void showHardwareBar(BarForm& bar, const MainFrame& frame);
// Without a tool the bar keeps its values and shows no header text.
void showProcessingBar(BarForm& bar, const ProcessingBarView* view, int frameWidth, int frameHeight);
CHistogramGraph* histogramGraphOf(const BarForm& bar);

} // namespace velmora::client
