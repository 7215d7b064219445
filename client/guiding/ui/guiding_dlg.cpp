#include "client/guiding/ui/guiding_dlg.h"

#include "client/guiding/guiding_panel.h"
#include "client/guiding/guiding_tool.h"
#include "client/image/image_window.h"
#include "client/shell/command_ids.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/settings_layout.h"
#include "client/shell/ui/main_frame.h"
#include "common/ui/control_form.h"

#include <QVBoxLayout>

namespace velmora::client {

namespace gd = guiding_dlg;
using common::ControlForm;

namespace {

constexpr GuidingAxisId kH = GuidingAxisId::Horizontal;
constexpr GuidingAxisId kV = GuidingAxisId::Vertical;

std::unique_ptr<GuidingTool> makeTool(ImageWindow& window, const CGuidingDlg::Environment& environment)
{
    return std::make_unique<GuidingTool>(window.pipeline(), environment.store, window.geometry(),
                                         environment.clock, environment.telescope);
}

// A row of one per-axis edit: its label, the horizontal and the vertical field.
void addAxisEdits(ControlForm& form, int control, const char* label)
{
    form.addEdit(gd::forAxis(control, kH), QString::fromUtf8(label), guidingField(control));
    form.addEdit(gd::forAxis(control, kV), QString(), guidingField(gd::forAxis(control, kV)));
    form.nextRow();
}

void addAxisResults(ControlForm& form, int control, const char* label)
{
    form.addResult(gd::forAxis(control, kH), QString::fromUtf8(label));
    form.addResult(gd::forAxis(control, kV), QString());
    form.nextRow();
}

void buildControls(ControlForm& form)
{
    form.beginGroup(QStringLiteral("Enable Direction"));
    form.addCheck(gd::forAxis(gd::kEnable, kH), QStringLiteral("Horizontal"));
    form.addCheck(gd::forAxis(gd::kEnable, kV), QStringLiteral("Vertical"));
    form.nextRow();
    addAxisEdits(form, gd::kFrame, "Process Frame");
    addAxisEdits(form, gd::kProportional, "Proportional");
    addAxisEdits(form, gd::kIntegral, "Integral");
    addAxisEdits(form, gd::kDerivative, "Derivative");
    addAxisEdits(form, gd::kMaximum, "Maximum Output (ms)");
    addAxisEdits(form, gd::kMinimum, "Minimum Output (ms)");
    addAxisResults(form, gd::kDelta, "Delta ('')");
    addAxisResults(form, gd::kOutput, "Output (ms)");
    addAxisResults(form, gd::kDriftRate, "Drift Rate (''/sec)");
    form.endGroup();

    form.addCheck(gd::kAverage, QStringLiteral("Average By Frames"));
    form.nextRow();
    form.addEdit(gd::kGuidingRate, QStringLiteral("Guiding Rate (*15''/sec)"), guidingField(gd::kGuidingRate));
    form.addLabel(gd::kRateHint, QString());
    form.nextRow();
    form.addCheck(gd::kMedianFilter, QStringLiteral("Median Filter"));
    form.addEdit(gd::kMedianNumber, QString(), guidingField(gd::kMedianNumber));
    form.nextRow();
    form.addCheck(gd::kLinearFilter, QStringLiteral("Linear Filter"));
    form.addEdit(gd::kLinearNumber, QString(), guidingField(gd::kLinearNumber));

    form.beginGroup(QStringLiteral("Config"));
    form.addText(gd::kLogPath, QString());
    form.addCheck(gd::kSaveLog, QStringLiteral("Save Log"));
    form.addButton(gd::kSaveAs, QStringLiteral("Save As"));
    form.nextRow();
    form.addLabel(gd::kStatus, QString());
    form.endGroup();

    form.beginGroup(QStringLiteral("RMS"));
    form.addCaption(QString());
    for (const char* heading : {"Horizontal", "Vertical", "Total"})
        form.addCaption(QString::fromUtf8(heading));
    form.nextRow();
    const std::pair<int, const char*> rows[] = {
        {gd::kRmsArcsec, "RMS ('')"}, {gd::kRmsPixels, "RMS (pt)"}, {gd::kRmsPeak, "Peak ('')"}};
    for (const auto& [first, label] : rows) {
        form.addResult(first, QString::fromUtf8(label));
        form.addResult(first + 1, QString());
        form.addResult(first + 2, QString());
        form.nextRow();
    }
    form.endGroup();
}

} // namespace

CGuidingDlg::CGuidingDlg(ImageWindow& window, const Environment& environment, QWidget* parent)
    : CMyDialog(makeTool(window, environment), parent), m_window(window), m_fileDialogs(environment.fileDialogs),
      m_form(new ControlForm(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls(*m_form);
    body()->addWidget(m_form);
    connect(m_form, &ControlForm::controlChanged, this, &CGuidingDlg::controlChanged);
    connect(m_form, &ControlForm::textChanged, this, &CGuidingDlg::textChanged);
    guidingTool().Activate();
    showState();
}

CGuidingDlg::~CGuidingDlg() = default;

GuidingTool& CGuidingDlg::guidingTool() const
{
    return static_cast<GuidingTool&>(tool());
}

void CGuidingDlg::controlChanged(int controlId, int value)
{
    if (controlId == gd::kSaveAs)
        saveAs();
    else
        applyGuidingControl(guidingTool(), controlId, value);
    refresh();
}

void CGuidingDlg::textChanged(int controlId, const QString& text)
{
    if (controlId == gd::kLogPath)
        guidingTool().setLogPath(text.toStdString());
    refresh();
}

void CGuidingDlg::saveAs()
{
    const std::string current = guidingTool().logPath();
    const std::optional<std::string> chosen =
        m_fileDialogs.saveFile({"Text Files (*.txt)|*.txt||", "txt", "DriftLog.txt", folderOf(current)});
    if (chosen)
        guidingTool().setLogPath(*chosen);
}

void CGuidingDlg::showState()
{
    const GuidingPanelView view = guidingPanelView(guidingTool(), m_window.geometry());
    for (GuidingAxisId id : {kH, kV}) {
        const GuidingAxisView& axis = view.axes[static_cast<std::size_t>(id)];
        m_form->showChecked(gd::forAxis(gd::kEnable, id), axis.enabled);
        m_form->showValue(gd::forAxis(gd::kFrame, id), axis.frames);
        m_form->showValue(gd::forAxis(gd::kProportional, id), axis.proportionalTenths);
        m_form->showValue(gd::forAxis(gd::kIntegral, id), axis.integralTenths);
        m_form->showValue(gd::forAxis(gd::kDerivative, id), axis.derivativeTenths);
        m_form->showValue(gd::forAxis(gd::kMaximum, id), axis.maximumMs);
        m_form->showValue(gd::forAxis(gd::kMinimum, id), axis.minimumMs);
        m_form->showText(gd::forAxis(gd::kDelta, id), QString::fromStdString(axis.delta));
        m_form->showText(gd::forAxis(gd::kOutput, id), QString::fromStdString(axis.output));
        m_form->showText(gd::forAxis(gd::kDriftRate, id), QString::fromStdString(axis.driftRate));
    }
    m_form->showChecked(gd::kAverage, view.averageByFrames);
    m_form->showValue(gd::kGuidingRate, view.guidingRateHundredths);
    m_form->showText(gd::kRateHint, QString::fromStdString(view.rateHint));
    m_form->showChecked(gd::kMedianFilter, view.medianFilter);
    m_form->showValue(gd::kMedianNumber, view.medianNumber);
    m_form->showChecked(gd::kLinearFilter, view.linearFilter);
    m_form->showValue(gd::kLinearNumber, view.linearNumber);
    m_form->showText(gd::kLogPath, QString::fromStdString(view.logPath));
    m_form->showChecked(gd::kSaveLog, view.saveLog);
    m_form->showText(gd::kStatus, QString::fromStdString(view.status));
    for (std::size_t i = 0; i < view.rms.size(); ++i)
        m_form->showText(gd::kRmsArcsec + static_cast<int>(i), QString::fromStdString(view.rms[i]));
    m_form->applyEnables([this](int id) { return guidingControlEnabled(guidingTool(), id); });
}

void registerGuidingWindow(CMainFrame& frame, const HighResolutionClock& clock, FileDialogs& fileDialogs)
{
    frame.registerToolWindow(
        kCommandGuiding, settings::kGuidingSection,
        [&frame, &clock, &fileDialogs](ImageWindow& window, QWidget* parent) -> CMyDialog* {
            MainFrame& core = frame.core();
            const CGuidingDlg::Environment environment{
                core.store(), clock, fileDialogs, [&core] { return core.binding().sharedDriver(DriverKind::Telescope); }};
            return new CGuidingDlg(window, environment, parent);
        });
}

} // namespace velmora::client
