#pragma once
// The processing bar (its "Square", "Threshold Level" and "Histogram" groups) as a
// function of the active tool: what every control shows, which controls are enabled,
// how each committed value or click reaches the tool, and the histogram graph's
// drawing. The bar's window only shows this and forwards its controls here.

#include "client/image/histogram_graph_layout.h"
#include "client/image/rgb_colour.h"
#include "common/numeric_field.h"

#include <array>
#include <string>
#include <vector>

namespace velmora::client {

class ImageWindow;
class MeasurementTool;

namespace processing_bar {
constexpr int kHeader = 1206;
constexpr int kSquareSlider = 1046;
constexpr int kSquareEdit = 1050;
constexpr int kConvergenceEdit = 1074; // "Iterations Convergence (pt)"
constexpr int kAutoGuiding = 1052;
constexpr int kFullScreen = 1053;
constexpr int kThresholdPlane = 1067;
constexpr int kDetectNumberEdit = 1204;
constexpr int kDetect = 1184;
constexpr int kThresholdReset = 1182;
constexpr int kThresholdSlider = 1186;
constexpr int kThresholdEdit = 1071;
constexpr int kGraph = 1056;
constexpr int kHistogramPlane = 1061;
constexpr int kSynchronize = 1180;
constexpr int kHistogramReset = 1179;
constexpr int kMinimumSlider = 1177;
constexpr int kMaximumSlider = 1178;
constexpr int kMinimumEdit = 1057;
constexpr int kMaximumEdit = 1059;
constexpr int kMinimumLevelEdit = 1246; // "Minimum Threshold Level (%)"
constexpr int kMaximumLevelEdit = 1248; // "Maximum Threshold Level (%)"
constexpr int kApplyHistogram = 1062;
constexpr int kAuto = 1068;
constexpr int kLogScale = 1063;

// Every control of the bar (edits without their spins, which follow them).
const std::vector<int>& controlIds();
bool isProcessingControl(int controlId);
} // namespace processing_bar

// What the bar shows for one tool.
struct ProcessingBarView {
    std::string caption; // "<< %s Settings >>"
    int squareSize = 0;
    int squareMinimum = 0;
    int squareMaximum = 0;
    int convergenceTenths = 0;
    bool autoGuiding = false;
    bool fullScreen = false;
    int thresholdPlane = 0;
    int threshold = 0;
    int detectNumber = 0;
    int histogramPlane = 0;
    int minimum = 0; // black level shown (automatic or manual by mode)
    int maximum = 0;
    int minimumLevel = 0; // per mille
    int maximumLevel = 0;
    bool applyHistogram = false;
    bool autoHistogram = false;
    bool synchronize = false;
    bool logScale = false;
    std::vector<std::string> planeCaptions;
};

ProcessingBarView processingBarView(const MeasurementTool& tool, const ImageWindow& window);
// Enabled for the tool's state; false for ids that are not the bar's.
bool processingControlEnabled(const MeasurementTool& tool, int controlId);

// The numeric fields of the bar for a frame of this size.
common::NumericField processingField(int controlId, int frameWidth, int frameHeight);

// A committed edit or slider value, a check box's new state (0/1), a list's selection,
// or a button click (value ignored), applied to the tool (the graph's "Log Scale" to
// the window). False for ids that are not the bar's.
bool applyProcessingControl(MeasurementTool& tool, ImageWindow& window, int controlId, int value);

// The histogram graph of the selected plane for a client area of this height.
struct HistogramGraphView {
    std::array<HistogramBar, 53> bars{};
    RgbColour barColour;
    int blackMarkX = 0;
    int whiteMarkX = 0;
};
HistogramGraphView histogramGraphView(const MeasurementTool& tool, const ImageWindow& window, int clientHeight);

} // namespace velmora::client
