#include "client/guiding/guiding_panel.h"

#include "client/guiding/guiding_tool.h"
#include "client/image/image_geometry.h"

#include <cstdio>

namespace velmora::client {

namespace gd = guiding_dlg;

namespace {

constexpr std::array<GuidingAxisId, 2> kAxes = {GuidingAxisId::Horizontal, GuidingAxisId::Vertical};

common::NumericField field(std::uint32_t flags, std::int32_t minimum, std::int32_t maximum, double scale,
                           const char* format = "%.2f", std::int32_t step = 1)
{
    common::NumericField f;
    f.setFlags(common::kHasSpin | common::kRangeCheck | flags);
    f.setFormat(format);
    f.setScale(scale);
    f.setRange(minimum, maximum);
    f.setStep(step);
    return f;
}

// The control's axis when it is one of the per-axis controls.
std::optional<GuidingAxisId> axisOf(int controlId, int base)
{
    if (controlId == base)
        return GuidingAxisId::Horizontal;
    if (controlId == base + 1)
        return GuidingAxisId::Vertical;
    return std::nullopt;
}

std::string format(const char* pattern, double value)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, value);
    return text;
}

GuidingAxisView axisView(const GuidingTool& tool, GuidingAxisId id)
{
    const AxisSettings& s = tool.run().controller().axis(id).settings();
    const AxisDisplay& display = tool.run().display(id);
    GuidingAxisView view;
    view.enabled = s.enabled;
    view.frames = s.frames;
    view.proportionalTenths = s.proportionalTenths;
    view.integralTenths = s.integralTenths;
    view.derivativeTenths = s.derivativeTenths;
    view.maximumMs = s.maximumMs;
    view.minimumMs = s.minimumMs;
    view.delta = format("%.2f", display.deltaArcsec);
    if (display.outputMs)
        view.output = std::to_string(*display.outputMs);
    view.driftRate = tool.run().driftRateText(id);
    return view;
}

// The setting of a per-axis edit, changed.
bool applyAxisSetting(GuidingTool& tool, int controlId, int value)
{
    for (int base : {gd::kFrame, gd::kProportional, gd::kIntegral, gd::kDerivative, gd::kMaximum, gd::kMinimum}) {
        const std::optional<GuidingAxisId> id = axisOf(controlId, base);
        if (!id)
            continue;
        GuidingAxis& axis = tool.controller().axis(*id);
        AxisSettings s = axis.settings();
        int& target = base == gd::kFrame          ? s.frames
                      : base == gd::kProportional ? s.proportionalTenths
                      : base == gd::kIntegral     ? s.integralTenths
                      : base == gd::kDerivative   ? s.derivativeTenths
                      : base == gd::kMaximum      ? s.maximumMs
                                                  : s.minimumMs;
        target = value;
        axis.setSettings(s);
        return true;
    }
    return false;
}

bool applyFilter(GuidingTool& tool, int controlId, int value)
{
    FilterSettings filters = tool.run().history().filters();
    switch (controlId) {
    case gd::kMedianFilter:
        filters.useMedian = value != 0;
        break;
    case gd::kMedianNumber:
        filters.medianNumber = value;
        break;
    case gd::kLinearFilter:
        filters.useLinear = value != 0;
        break;
    case gd::kLinearNumber:
        filters.linearNumber = value;
        break;
    default:
        return false;
    }
    tool.run().setFilters(filters.normalised());
    return true;
}

} // namespace

GuidingPanelView guidingPanelView(const GuidingTool& tool, const ImageGeometry& geometry)
{
    GuidingPanelView view;
    for (GuidingAxisId id : kAxes)
        view.axes[static_cast<std::size_t>(id)] = axisView(tool, id);
    const GuidingController& controller = tool.run().controller();
    view.averageByFrames = controller.averageByFrames();
    view.guidingRateHundredths = controller.guidingRateHundredths();
    view.rateHint = controller.proportionalHintText();
    const FilterSettings& filters = tool.run().history().filters();
    view.medianFilter = filters.useMedian;
    view.medianNumber = filters.medianNumber;
    view.linearFilter = filters.useLinear;
    view.linearNumber = filters.linearNumber;
    view.logPath = tool.logPath();
    view.saveLog = tool.saveLog();
    view.status = tool.statusText();
    view.startText = tool.startButtonText();
    const GuidingRms rms = computeGuidingRms(tool.run().history());
    const double sx = geometry.sx();
    const double sy = geometry.sy();
    const std::array<double, 3> arcsec = {rms.horizontal, rms.vertical, rms.total};
    const std::array<double, 3> peak = {rms.peakHorizontal, rms.peakVertical, rms.peakTotal};
    for (std::size_t i = 0; i < 3; ++i) {
        view.rms[i] = rmsText(rms, arcsec[i]);
        view.rms[3 + i] = rmsText(rms, GuidingRms::toPixels(arcsec[i], sx, sy));
        view.rms[6 + i] = rmsText(rms, peak[i]);
    }
    return view;
}

bool guidingControlEnabled(const GuidingTool& tool, int controlId)
{
    switch (controlId) {
    case gd::kLogPath:
    case gd::kSaveLog:
    case gd::kSaveAs:
        return tool.logControlsEnabled();
    default:
        return true;
    }
}

bool applyGuidingControl(GuidingTool& tool, int controlId, int value)
{
    if (const std::optional<GuidingAxisId> id = axisOf(controlId, gd::kEnable)) {
        tool.setAxisEnabled(*id, value != 0);
        return true;
    }
    if (applyAxisSetting(tool, controlId, value) || applyFilter(tool, controlId, value))
        return true;
    switch (controlId) {
    case gd::kAverage:
        tool.controller().setAverageByFrames(value != 0);
        return true;
    case gd::kGuidingRate:
        tool.controller().setGuidingRateHundredths(value);
        return true;
    case gd::kSaveLog:
        tool.setSaveLog(value != 0);
        return true;
    case gd::kStartStop:
        tool.toggleStartStop();
        return true;
    default:
        return false;
    }
}

common::NumericField guidingField(int controlId)
{
    const auto is = [controlId](int base) { return axisOf(controlId, base).has_value(); };
    if (is(gd::kFrame))
        return field(0, AxisSettings::kMinFrames, AxisSettings::kMaxFrames, 1.0);
    if (is(gd::kProportional) || is(gd::kIntegral) || is(gd::kDerivative))
        return field(common::kDecimalDisplay | common::kAllowMinus, -AxisSettings::kMaxGainTenths,
                     AxisSettings::kMaxGainTenths, 0.1, "%.1f");
    if (is(gd::kMaximum) || is(gd::kMinimum))
        return field(0, 0, AxisSettings::kMaxOutputMs, 1.0);
    if (controlId == gd::kGuidingRate)
        return field(common::kDecimalDisplay, GuidingController::kMinGuidingRate,
                     GuidingController::kMaxGuidingRate, 0.01);
    // The filter windows: odd, 3…25, two per click.
    return field(0, FilterSettings::kMinWindow, FilterSettings::kMaxWindow, 1.0, "%.2f", 2);
}

} // namespace velmora::client
