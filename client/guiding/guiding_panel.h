#pragma once
// The guiding window's controls as functions of its tool: which control shows what,
// which is enabled, how a committed value or click reaches the tool, and the fields'
// numeric configurations. CGuidingDlg only lays the controls out and forwards them.

#include "client/guiding/guiding_axis.h"
#include "client/guiding/guiding_rms.h"
#include "common/numeric_field.h"

#include <array>
#include <string>

namespace velmora::client {

class GuidingTool;
class ImageGeometry;

namespace guiding_dlg {
// Per-axis controls: the horizontal axis's id, the vertical axis's is one more.
constexpr int kEnable = 1301;      // "Enable Direction"
constexpr int kFrame = 1303;       // "Process Frame"
constexpr int kProportional = 1305;
constexpr int kIntegral = 1307;
constexpr int kDerivative = 1309;
constexpr int kMaximum = 1311;     // "Maximum Output (ms)"
constexpr int kMinimum = 1313;     // "Minimum Output (ms)"
constexpr int kDelta = 1315;       // "Delta ('')"
constexpr int kOutput = 1317;      // "Output (ms)"
constexpr int kDriftRate = 1319;   // "Drift Rate (''/sec)"
// Shared controls.
constexpr int kAverage = 1321;     // "Average By Frames"
constexpr int kGuidingRate = 1322; // "Guiding Rate (*15''/sec)"
constexpr int kRateHint = 1323;    // "P=%.2f"
constexpr int kMedianFilter = 1324;
constexpr int kMedianNumber = 1325;
constexpr int kLinearFilter = 1326;
constexpr int kLinearNumber = 1327;
constexpr int kLogPath = 1328;
constexpr int kSaveLog = 1329;
constexpr int kSaveAs = 1330;
constexpr int kStatus = 1331;
constexpr int kStartStop = 1085;
// RMS read-outs: arcseconds, pixels, peak; each horizontal, vertical, total.
constexpr int kRmsArcsec = 1340;
constexpr int kRmsPixels = 1343;
constexpr int kRmsPeak = 1346;

constexpr int forAxis(int control, GuidingAxisId axis)
{
    return control + static_cast<int>(axis);
}
} // namespace guiding_dlg

struct GuidingAxisView {
    bool enabled = false;
    int frames = 0;
    int proportionalTenths = 0;
    int integralTenths = 0;
    int derivativeTenths = 0;
    int maximumMs = 0;
    int minimumMs = 0;
    std::string delta; // "%.2f"
    std::string output; // "%d", blank while none
    std::string driftRate; // "%.4f", blank while none
};

struct GuidingPanelView {
    std::array<GuidingAxisView, 2> axes;
    bool averageByFrames = false;
    int guidingRateHundredths = 0;
    std::string rateHint;
    bool medianFilter = false;
    int medianNumber = 0;
    bool linearFilter = false;
    int linearNumber = 0;
    std::string logPath;
    bool saveLog = false;
    std::string status;
    std::string startText;
    // Arcseconds, pixels, peak; horizontal, vertical, total within each.
    std::array<std::string, 9> rms;
};

GuidingPanelView guidingPanelView(const GuidingTool& tool, const ImageGeometry& geometry);
bool guidingControlEnabled(const GuidingTool& tool, int controlId);
// A committed value, a check state or a click; false for ids that are not the window's
// own (and for "Save As", which needs the file dialog: see applyLogPath).
bool applyGuidingControl(GuidingTool& tool, int controlId, int value);
common::NumericField guidingField(int controlId);

} // namespace velmora::client
