#include "client/image/processing_bar.h"

#include "client/image/image_window.h"
#include "client/image/measurement_settings.h"
#include "client/image/measurement_tool.h"
#include "client/image/plane_colours.h"

#include <algorithm>

namespace velmora::client {

namespace pb = processing_bar;

namespace {

constexpr int kMaxLevel = 65535;
constexpr int kMaxDetectNumber = 1000;
constexpr int kMaxConvergenceTenths = 10000;

common::NumericField integerField(int minimum, int maximum)
{
    common::NumericField field;
    field.setFlags(common::kHasSpin | common::kRangeCheck);
    field.setScale(1.0);
    field.setRange(minimum, maximum);
    return field;
}

common::NumericField decimalField(int maximum, double scale, double step)
{
    common::NumericField field;
    field.setFlags(common::kHasSpin | common::kRangeCheck | common::kDecimalDisplay);
    field.setFormat("%.1f");
    field.setScale(scale);
    field.setRange(0, maximum);
    field.setStep(static_cast<std::int32_t>(step));
    return field;
}

} // namespace

const std::vector<int>& processing_bar::controlIds()
{
    static const std::vector<int> ids = {
        kSquareSlider,     kSquareEdit,       kConvergenceEdit, kAutoGuiding,      kFullScreen,
        kThresholdPlane,   kDetectNumberEdit, kDetect,          kThresholdReset,   kThresholdSlider,
        kThresholdEdit,    kGraph,            kHistogramPlane,  kSynchronize,      kHistogramReset,
        kMinimumSlider,    kMaximumSlider,    kMinimumEdit,     kMaximumEdit,      kMinimumLevelEdit,
        kMaximumLevelEdit, kApplyHistogram,   kAuto,            kLogScale,         kHeader};
    return ids;
}

bool processing_bar::isProcessingControl(int controlId)
{
    const std::vector<int>& ids = controlIds();
    return std::find(ids.begin(), ids.end(), controlId) != ids.end();
}

ProcessingBarView processingBarView(const MeasurementTool& tool, const ImageWindow& window)
{
    const MeasurementSettings& settings = tool.settings();
    const HistogramLevels& levels = tool.histogramLevels();
    const FramePipeline& pipeline = window.pipeline();
    ProcessingBarView view;
    view.caption = tool.processingBarCaption();
    view.squareSize = settings.squareSize;
    view.squareMinimum = MeasurementSettings::clampSquareSize(0, pipeline.width(), pipeline.height());
    view.squareMaximum = std::min(pipeline.width(), pipeline.height());
    view.convergenceTenths = common::truncateToUnits(settings.convergence, 0.1);
    view.autoGuiding = settings.autoGuiding;
    view.fullScreen = settings.fullScreen;
    view.thresholdPlane = tool.thresholdPlane();
    view.threshold = tool.shownThreshold();
    view.detectNumber = settings.detectNumber;
    view.histogramPlane = levels.histogramPlane();
    view.minimum = levels.shownMinimum();
    view.maximum = levels.shownMaximum();
    view.minimumLevel = levels.minLevel(view.histogramPlane);
    view.maximumLevel = levels.maxLevel(view.histogramPlane);
    view.applyHistogram = levels.applyHistogram();
    view.autoHistogram = levels.autoHistogram();
    view.synchronize = levels.synchronize();
    view.logScale = window.logScale();
    for (int p = 0; p < pipeline.planeCount(); ++p)
        view.planeCaptions.push_back(window.planeColours().caption(p));
    return view;
}

bool processingControlEnabled(const MeasurementTool& tool, int controlId)
{
    const ProcessingBarEnables enables = tool.processingBarEnables();
    switch (controlId) {
    case pb::kSquareSlider:
    case pb::kSquareEdit:
        return enables.squareSize;
    case pb::kConvergenceEdit:
        return enables.convergence;
    case pb::kAutoGuiding:
        return enables.autoGuiding;
    case pb::kFullScreen:
        return enables.fullScreen;
    case pb::kDetect:
        return enables.detect;
    case pb::kThresholdReset:
        return enables.thresholdReset;
    case pb::kDetectNumberEdit:
        return enables.detectNumber;
    case pb::kThresholdSlider:
    case pb::kThresholdEdit:
        return enables.threshold;
    case pb::kMinimumSlider:
    case pb::kMaximumSlider:
    case pb::kMinimumEdit:
    case pb::kMaximumEdit:
        return enables.manualLevels;
    case pb::kMinimumLevelEdit:
    case pb::kMaximumLevelEdit:
        return enables.levelFractions;
    default:
        return pb::isProcessingControl(controlId);
    }
}

common::NumericField processingField(int controlId, int frameWidth, int frameHeight)
{
    switch (controlId) {
    case pb::kSquareEdit:
        return integerField(MeasurementSettings::clampSquareSize(0, frameWidth, frameHeight),
                            std::max(std::min(frameWidth, frameHeight), 1));
    case pb::kConvergenceEdit:
        return decimalField(kMaxConvergenceTenths, 0.1, 1); // pixels, step 0.1
    case pb::kDetectNumberEdit:
        return integerField(1, kMaxDetectNumber);
    case pb::kMinimumLevelEdit:
    case pb::kMaximumLevelEdit:
        return decimalField(HistogramLevels::kMaxPerMille, 0.1, 1); // per mille shown as per cent
    default:
        return integerField(0, kMaxLevel); // thresholds and levels
    }
}

bool applyProcessingControl(MeasurementTool& tool, ImageWindow& window, int controlId, int value)
{
    switch (controlId) {
    case pb::kSquareSlider:
    case pb::kSquareEdit:
        tool.SetSquareSize(value);
        return true;
    case pb::kConvergenceEdit:
        tool.SetConvergence(value * 0.1);
        return true;
    case pb::kAutoGuiding:
        tool.SetAutoGuiding(value != 0);
        return true;
    case pb::kFullScreen:
        tool.SetFullScreen(value != 0);
        return true;
    case pb::kThresholdPlane:
        tool.SelectThresholdPlane(value);
        return true;
    case pb::kDetectNumberEdit:
        tool.SetDetectNumber(value);
        return true;
    case pb::kDetect:
        tool.Detect();
        return true;
    case pb::kThresholdReset:
        tool.Reset();
        return true;
    case pb::kThresholdSlider:
    case pb::kThresholdEdit:
        tool.SetThreshold(value);
        return true;
    case pb::kHistogramPlane:
        tool.selectHistogramPlane(value);
        return true;
    case pb::kSynchronize:
        tool.setSynchronize(value != 0);
        return true;
    case pb::kHistogramReset:
        tool.resetHistogram();
        return true;
    case pb::kMinimumSlider:
    case pb::kMinimumEdit:
        tool.setMinColour(value);
        return true;
    case pb::kMaximumSlider:
    case pb::kMaximumEdit:
        tool.setMaxColour(value);
        return true;
    case pb::kMinimumLevelEdit:
        tool.setMinLevel(value);
        return true;
    case pb::kMaximumLevelEdit:
        tool.setMaxLevel(value);
        return true;
    case pb::kApplyHistogram:
        tool.setApplyHistogram(value != 0);
        return true;
    case pb::kAuto:
        tool.setAutoHistogram(value != 0);
        return true;
    case pb::kLogScale:
        window.setLogScale(value != 0);
        tool.ProcessFrame(false); // redraws the graph
        return true;
    default:
        return false;
    }
}

HistogramGraphView histogramGraphView(const MeasurementTool& tool, const ImageWindow& window, int clientHeight)
{
    const SquareHistogram& histogram = window.pipeline().histogram();
    const HistogramLevels& levels = tool.histogramLevels();
    const int plane = levels.histogramPlane();
    HistogramGraphView view;
    view.bars = histogramBars(histogram.reduced(plane), histogram.largestReducedCount(), clientHeight,
                              window.logScale());
    view.barColour = graphColour(window.planeColours().colour(plane));
    const LevelPair shown = levels.stretchLevels(plane);
    view.blackMarkX = levelMarkX(shown.black);
    view.whiteMarkX = levelMarkX(shown.white);
    return view;
}

} // namespace velmora::client
