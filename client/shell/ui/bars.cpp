#include "client/shell/ui/bars.h"

#include "client/devices/exposure_cycle.h"
#include "client/image/calibration.h"
#include "client/image/reticle.h"
#include "client/image/image_window.h"
#include "client/image/processing_bar.h"
#include "client/image/ui/histogram_graph.h"
#include "client/shell/main_frame.h"
#include "client/shell/settings_layout.h"
#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "common/ui/my_slider_ctrl.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QRadioButton>

namespace velmora::client {

namespace pb = processing_bar;
namespace hb = hardware_bar;
namespace eb = exposure_bar;

namespace {

common::NumericField field(std::uint32_t flags, std::int32_t minimum, std::int32_t maximum, double scale,
                           const char* format = "%.2f", std::int32_t value = 0)
{
    common::NumericField f;
    f.setFlags(flags);
    f.setFormat(format);
    f.setScale(scale);
    f.setRange(minimum, maximum);
    f.setValue(value);
    return f;
}

// A stored number shown in a field that has no handler yet.
common::NumericField storedField(const SettingsStore& store, const settings::IntSetting& setting,
                                 std::int32_t maximum, double scale, std::uint32_t extraFlags = 0)
{
    return field(common::kHasSpin | common::kRangeCheck | extraFlags, 0, maximum, scale, "%.2f",
                 settings::read(store, setting));
}

QString qText(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

ControlForm* buildExposureBar()
{
    auto* bar = new ControlForm;
    bar->addEdit(eb::kExposureTime, QStringLiteral("Exposure (sec)"), ExposureCycle::exposureTimeField());
    auto* progress = new QProgressBar;
    progress->setTextVisible(false);
    progress->setMinimumWidth(160);
    bar->addWidget(eb::kProgress, progress);
    bar->addLabel(eb::kDuration, QStringLiteral("Exposure Duration - 0.0 sec."));
    bar->addCheck(eb::kManualMode, QStringLiteral("Manual Mode"));
    bar->addButton(eb::kButton, QStringLiteral("Start"));
    return bar;
}

ControlForm* buildFieldsBar(const SettingsStore& store)
{
    const std::uint32_t decimal = common::kDecimalDisplay;
    auto* bar = new ControlForm;
    bar->addCheck(fields_bar::kApplyDark, QStringLiteral("Apply Dark-Field"))->setChecked(settings::read(store, settings::kApplyDark));
    bar->addEdit(fields_bar::kDarkContrast, QStringLiteral("Contrast"), storedField(store, settings::kDarkContrast, 200, 0.01, decimal));
    bar->addButton(fields_bar::kDarkOpen, QStringLiteral("Open"));
    bar->addButton(fields_bar::kDarkCalibrate, QStringLiteral("Calibrate"));
    bar->nextRow();
    bar->addCheck(fields_bar::kApplyFlat, QStringLiteral("Apply Flat-Field"))->setChecked(settings::read(store, settings::kApplyFlat));
    bar->addEdit(fields_bar::kFlatContrast, QStringLiteral("Contrast"), storedField(store, settings::kFlatContrast, 200, 0.01, decimal));
    bar->addButton(fields_bar::kFlatOpen, QStringLiteral("Open"));
    bar->addButton(fields_bar::kFlatCalibrate, QStringLiteral("Calibrate"));
    return bar;
}

ControlForm* buildScreenshotBar(const SettingsStore& store)
{
    auto* bar = new ControlForm;
    const int format = settings::read(store, settings::kScreenshotFileFormat);
    bar->addRadio(1199, QStringLiteral("FITS"))->setChecked(format == 0);
    bar->addRadio(1200, QStringLiteral("TIFF"))->setChecked(format == 1);
    bar->addRadio(1201, QStringLiteral("BMP"))->setChecked(format == 2);
    bar->addCheck(1190, QStringLiteral("Split"))->setChecked(settings::read(store, settings::kScreenshotSplit));
    bar->addCheck(1189, QStringLiteral("Standard FITS"))
        ->setChecked(settings::read(store, settings::kScreenshotStandardFits));
    bar->nextRow();
    bar->addText(1183, QString())->setText(qText(settings::read(store, settings::kScreenshotFileName)));
    bar->addText(1191, QString())->setText(qText(settings::read(store, settings::kScreenshotFolder)));
    bar->addButton(1185, QStringLiteral("..."));
    bar->addButton(1202, QStringLiteral("ScreenShot"));
    return bar;
}

ControlForm* buildHardwareBar()
{
    auto* bar = new ControlForm;
    bar->addEdit(hb::kDigitCapacity, QStringLiteral("AD Capacity (digit)"),
                 field(common::kHasSpin | common::kRangeCheck, 1, 16, 1.0, "%.2f", 8));
    bar->addButton(hb::kSetPlaneColors, QStringLiteral("Set Plane Colors"));
    bar->nextRow();
    bar->addEdit(hb::kPixelWidth, QStringLiteral("Pixel Width (mkm)"), HardwareOptics::pixelSizeField());
    bar->nextRow();
    bar->addEdit(hb::kPixelHeight, QStringLiteral("Pixel Height (mkm)"), HardwareOptics::pixelSizeField());
    bar->nextRow();
    bar->addEdit(hb::kFocalLength, QStringLiteral("Focal Length (mm)"), HardwareOptics::lengthField());
    bar->nextRow();
    bar->addEdit(hb::kAperture, QStringLiteral("Aperture (mm)"), HardwareOptics::lengthField());
    bar->nextRow();
    bar->addButton(hb::kGetFromHardware, QStringLiteral("Get From Hardware"));
    bar->nextRow();
    bar->addResult(hb::kResolution, QStringLiteral("Resol.('')"));
    bar->addResult(hb::kFocalRatio, QStringLiteral("F/D"));
    bar->nextRow();
    bar->addResult(hb::kScaleX, QStringLiteral("Resol.(''/pt)"));
    bar->addResult(hb::kScaleY, QString());
    bar->nextRow();
    bar->addResult(hb::kFieldOfViewX, QStringLiteral("FOV (')"));
    bar->addResult(hb::kFieldOfViewY, QString());
    return bar;
}

ControlForm* buildReticleBar(const SettingsStore& store)
{
    const std::uint32_t decimal = common::kDecimalDisplay;
    auto* bar = new ControlForm;
    auto row = [&](int id, const char* label, const settings::IntSetting& setting, std::int32_t maximum,
                   double scale, std::uint32_t flags, const char* format) {
        common::NumericField f = storedField(store, setting, maximum, scale, flags);
        f.setFormat(format);
        f.setValue(settings::read(store, setting));
        bar->addEdit(id, QString::fromUtf8(label), f);
        bar->nextRow();
    };
    row(reticle_bar::kCenterX, "Center X (pt)", settings::kReticleCenterX, 999999, 0.1, decimal, "%.1f");
    row(reticle_bar::kCenterY, "Center Y (pt)", settings::kReticleCenterY, 999999, 0.1, decimal, "%.1f");
    row(reticle_bar::kDiameter1, "Diameter 1 ('')", settings::kReticleDiameter1, 99999999, 0.01, decimal, "%.2f");
    row(reticle_bar::kDiameter2, "Diameter 2 ('')", settings::kReticleDiameter2, 99999999, 0.01, decimal, "%.2f");
    row(reticle_bar::kDiameter3, "Diameter 3 ('')", settings::kReticleDiameter3, 99999999, 0.01, decimal, "%.2f");
    row(reticle_bar::kAngle, "Angle (grads)", settings::kReticleAngle, 36000, 0.01, decimal | common::kWrapRange, "%.2f");
    bar->addCheck(reticle_bar::kShowReticle, QStringLiteral("Show Reticle"))->setChecked(settings::read(store, settings::kShowReticle));
    bar->addCheck(reticle_bar::kShowCenter, QStringLiteral("Show Center"))->setChecked(settings::read(store, settings::kShowCenter));
    bar->nextRow();
    bar->addButton(reticle_bar::kCenter, QStringLiteral("Center"));
    bar->addButton(reticle_bar::kCalibrate, QStringLiteral("Calibrate"));
    return bar;
}

ControlForm* buildProcessingBar()
{
    auto* bar = new ControlForm;
    bar->addLabel(pb::kHeader, QString());
    bar->beginGroup(QStringLiteral("Square"));
    bar->addSlider(pb::kSquareSlider, 16, 64);
    bar->addEdit(pb::kSquareEdit, QString(), processingField(pb::kSquareEdit, 64, 64));
    bar->nextRow();
    bar->addEdit(pb::kConvergenceEdit, QStringLiteral("Iterations Convergence (pt)"),
                 processingField(pb::kConvergenceEdit, 64, 64));
    bar->nextRow();
    bar->addCheck(pb::kAutoGuiding, QStringLiteral("Auto Guiding"));
    bar->addCheck(pb::kFullScreen, QStringLiteral("Full Screen"));
    bar->endGroup();
    bar->beginGroup(QStringLiteral("Threshold Level"));
    bar->addList(pb::kThresholdPlane, QString());
    bar->addEdit(pb::kDetectNumberEdit, QStringLiteral("Detect Number"), processingField(pb::kDetectNumberEdit, 64, 64));
    bar->nextRow();
    bar->addButton(pb::kDetect, QStringLiteral("Detect"));
    bar->addButton(pb::kThresholdReset, QStringLiteral("Reset"));
    bar->nextRow();
    bar->addSlider(pb::kThresholdSlider, 0, 65535);
    bar->addEdit(pb::kThresholdEdit, QString(), processingField(pb::kThresholdEdit, 64, 64));
    bar->endGroup();
    bar->beginGroup(QStringLiteral("Histogram"));
    bar->addWidget(pb::kGraph, new CHistogramGraph, 3);
    bar->nextRow();
    bar->addList(pb::kHistogramPlane, QString());
    bar->addCheck(pb::kSynchronize, QStringLiteral("Synchronize"));
    bar->addButton(pb::kHistogramReset, QStringLiteral("Reset"));
    bar->nextRow();
    bar->addSlider(pb::kMinimumSlider, 0, 65535);
    bar->addEdit(pb::kMinimumEdit, QString(), processingField(pb::kMinimumEdit, 64, 64));
    bar->nextRow();
    bar->addSlider(pb::kMaximumSlider, 0, 65535);
    bar->addEdit(pb::kMaximumEdit, QString(), processingField(pb::kMaximumEdit, 64, 64));
    bar->nextRow();
    bar->addEdit(pb::kMinimumLevelEdit, QStringLiteral("Minimum Threshold Level (%)"),
                 processingField(pb::kMinimumLevelEdit, 64, 64));
    bar->nextRow();
    bar->addEdit(pb::kMaximumLevelEdit, QStringLiteral("Maximum Threshold Level (%)"),
                 processingField(pb::kMaximumLevelEdit, 64, 64));
    bar->nextRow();
    bar->addCheck(pb::kApplyHistogram, QStringLiteral("Apply Histogram"));
    bar->addCheck(pb::kAuto, QStringLiteral("Auto"));
    bar->addCheck(pb::kLogScale, QStringLiteral("Log Scale"));
    bar->endGroup();
    return bar;
}

void showExposureBar(ControlForm& bar, const ExposureCycle& cycle)
{
    bar.showValue(eb::kExposureTime, cycle.exposureTime());
    if (auto* progress = bar.controlAs<QProgressBar>(eb::kProgress)) {
        if (progress->maximum() != cycle.progressRange())
            progress->setRange(0, cycle.progressRange());
        progress->setValue(std::min(cycle.progressPosition(), cycle.progressRange()));
        progress->setVisible(cycle.progressVisible());
    }
    bar.showText(eb::kDuration, qText(cycle.durationText()));
    bar.control(eb::kDuration)->setVisible(cycle.durationTextVisible());
    bar.showChecked(eb::kManualMode, cycle.manualMode());
    if (auto* button = bar.controlAs<QAbstractButton>(eb::kButton))
        button->setText(qText(cycle.buttonText()));
}

void showHardwareBar(ControlForm& bar, const MainFrame& frame)
{
    const HardwareOptics& optics = frame.optics();
    bar.showValue(hb::kPixelWidth, optics.pixelWidth().value());
    bar.showValue(hb::kPixelHeight, optics.pixelHeight().value());
    bar.showValue(hb::kFocalLength, optics.focalLength().value());
    bar.showValue(hb::kAperture, optics.aperture().value());
    for (int id : {hb::kResolution, hb::kFocalRatio, hb::kScaleX, hb::kScaleY, hb::kFieldOfViewX,
                   hb::kFieldOfViewY})
        bar.showText(id, qText(frame.hardwareResultText(id)));
    if (const ImageWindow* window = frame.imageWindow())
        bar.showValue(hb::kDigitCapacity, window->digitCapacity());
}

void showProcessingBar(ControlForm& bar, const ProcessingBarView* view, int frameWidth, int frameHeight)
{
    if (view == nullptr) {
        bar.showText(pb::kHeader, QString());
        return;
    }
    bar.showText(pb::kHeader, qText(view->caption));
    if (auto* slider = bar.controlAs<common::CMySliderCtrl>(pb::kSquareSlider))
        slider->setSliderRange(view->squareMinimum, view->squareMaximum);
    if (auto* edit = bar.controlAs<common::CMyEdit>(pb::kSquareEdit);
        edit != nullptr && edit->field().maximum() != view->squareMaximum) {
        const common::NumericField f = processingField(pb::kSquareEdit, frameWidth, frameHeight);
        edit->configure(f.flags(), f.minimum(), f.maximum(), f.step(), f.scale(), f.format().c_str());
    }
    bar.showValue(pb::kSquareSlider, view->squareSize);
    bar.showValue(pb::kSquareEdit, view->squareSize);
    bar.showValue(pb::kConvergenceEdit, view->convergenceTenths);
    bar.showChecked(pb::kAutoGuiding, view->autoGuiding);
    bar.showChecked(pb::kFullScreen, view->fullScreen);
    QStringList captions;
    for (const std::string& caption : view->planeCaptions)
        captions << qText(caption);
    bar.showItems(pb::kThresholdPlane, captions, view->thresholdPlane);
    bar.showItems(pb::kHistogramPlane, captions, view->histogramPlane);
    bar.showValue(pb::kDetectNumberEdit, view->detectNumber);
    bar.showValue(pb::kThresholdSlider, view->threshold);
    bar.showValue(pb::kThresholdEdit, view->threshold);
    bar.showValue(pb::kMinimumSlider, view->minimum);
    bar.showValue(pb::kMinimumEdit, view->minimum);
    bar.showValue(pb::kMaximumSlider, view->maximum);
    bar.showValue(pb::kMaximumEdit, view->maximum);
    bar.showValue(pb::kMinimumLevelEdit, view->minimumLevel);
    bar.showValue(pb::kMaximumLevelEdit, view->maximumLevel);
    bar.showChecked(pb::kApplyHistogram, view->applyHistogram);
    bar.showChecked(pb::kAuto, view->autoHistogram);
    bar.showChecked(pb::kSynchronize, view->synchronize);
    bar.showChecked(pb::kLogScale, view->logScale);
}

namespace {

// A field whose range may have changed: reconfigured, then its value shown.
void showNumeric(ControlForm& bar, int id, const common::NumericField& field)
{
    auto* edit = bar.controlAs<common::CMyEdit>(id);
    if (edit == nullptr)
        return;
    if (edit->field().minimum() != field.minimum() || edit->field().maximum() != field.maximum())
        edit->configure(field.flags(), field.minimum(), field.maximum(), field.step(), field.scale(),
                        field.format().c_str());
    bar.showValue(id, field.value());
}

} // namespace

void showFieldsBar(ControlForm& bar, const WindowCalibration* calibration)
{
    if (calibration == nullptr)
        return;
    bar.showChecked(fields_bar::kApplyDark, calibration->applyDark());
    bar.showChecked(fields_bar::kApplyFlat, calibration->applyFlat());
    bar.showValue(fields_bar::kDarkContrast, calibration->contrast(CalibrationKind::Dark));
    bar.showValue(fields_bar::kFlatContrast, calibration->contrast(CalibrationKind::Flat));
}

void showReticleBar(ControlForm& bar, const Reticle& reticle, const std::string& calibrateText)
{
    namespace rb = reticle_bar;
    for (int id : {rb::kCenterX, rb::kCenterY, rb::kDiameter1, rb::kDiameter2, rb::kDiameter3, rb::kAngle})
        showNumeric(bar, id, reticle.field(id));
    bar.showChecked(rb::kShowReticle, reticle.showReticle());
    bar.showChecked(rb::kShowCenter, reticle.showCenter());
    if (auto* button = bar.controlAs<QAbstractButton>(rb::kCalibrate))
        button->setText(qText(calibrateText));
}

CHistogramGraph* histogramGraphOf(const ControlForm& bar)
{
    return bar.controlAs<CHistogramGraph>(pb::kGraph);
}

} // namespace velmora::client
