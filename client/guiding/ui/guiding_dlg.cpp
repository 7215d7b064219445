#include "client/guiding/ui/guiding_dlg.h"

#include "client/guiding/guiding_panel.h"
#include "client/guiding/ui/graph_views.h"
#include "client/guiding/guiding_tool.h"
#include "client/image/image_window.h"
#include "client/shell/command_ids.h"
#include "client/shell/file_dialogs.h"
#include "client/shell/settings_layout.h"
#include "client/shell/ui/main_frame.h"
#include "common/ui/control_form.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace velmora::client {

namespace gd = guiding_dlg;
namespace gg = guiding_graphs;
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

}

void buildRms(ControlForm& form)
{
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
      m_store(environment.store), m_form(new ControlForm(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    m_graphs.load(m_store);
    buildControls(*m_form);
    auto* columns = new QHBoxLayout;
    columns->addWidget(m_form, 0, Qt::AlignTop);
    auto* graphsColumn = new QVBoxLayout;
    columns->addLayout(graphsColumn);
    body()->addLayout(columns);
    connect(m_form, &ControlForm::controlChanged, this, &CGuidingDlg::controlChanged);
    connect(m_form, &ControlForm::textChanged, this, &CGuidingDlg::textChanged);
    buildGraphs();
    graphsColumn->addWidget(m_graphsForm);
    m_rmsForm = new ControlForm(this);
    buildRms(*m_rmsForm);
    graphsColumn->addWidget(m_rmsForm);
    graphsColumn->addStretch();
    guidingTool().setStepListener([this](const GuidingStep&) { m_graphs.invalidate(); });
    guidingTool().Activate();
    showState();
}

// The graph settings go with the guiding section, before the tool writes its own.
CGuidingDlg::~CGuidingDlg()
{
    m_graphs.save(m_store);
}

void CGuidingDlg::buildGraphs()
{
    m_graphsForm = new ControlForm(this);
    ControlForm& group = *m_graphsForm;
    group.beginGroup(QStringLiteral("Graphs"));
    group.addRadio(gg::kDriftGraph, QStringLiteral("Drift Graph"));
    group.addRadio(gg::kDistributionGraph, QStringLiteral("Distribution Graph"));
    group.addRadio(gg::kFftGraph, QStringLiteral("FFT Graph"));
    group.nextRow();
    group.addCheck(gg::kHorizontal, QStringLiteral("Horizontal"));
    group.addCheck(gg::kVertical, QStringLiteral("Vertical"));
    group.nextRow();
    for (GraphKind kind : {GraphKind::Drift, GraphKind::Distribution, GraphKind::Fft}) {
        CGraphView* view = kind == GraphKind::Drift          ? static_cast<CGraphView*>(new CDriftGraph)
                           : kind == GraphKind::Distribution ? static_cast<CGraphView*>(new CDistrGraph)
                                                             : static_cast<CGraphView*>(new CFFTGraph);
        group.addWidget(1371 + static_cast<int>(kind), view, 3);
        m_graphViews[static_cast<std::size_t>(kind)] = view;
    }
    group.nextRow();
    auto fields = [this](GraphKind kind) {
        auto* form = new ControlForm(this);
        connect(form, &ControlForm::controlChanged, this, &CGuidingDlg::controlChanged);
        m_graphFields[static_cast<std::size_t>(kind)] = form;
        m_graphsForm->addWidget(1374 + static_cast<int>(kind), form, 3);
        m_graphsForm->nextRow();
        return form;
    };
    ControlForm& drift = *fields(GraphKind::Drift);
    drift.addEdit(gg::kDriftXScale, QStringLiteral("X Scale (sec)"), GuidingGraphs::field(gg::kDriftXScale));
    drift.addEdit(gg::kDriftYScale, QStringLiteral("Y Scale ('')"), GuidingGraphs::field(gg::kDriftYScale));
    ControlForm& distribution = *fields(GraphKind::Distribution);
    distribution.addCaption(QString());
    distribution.addCaption(QStringLiteral("Horizontal"));
    distribution.addCaption(QStringLiteral("Vertical"));
    distribution.nextRow();
    for (const auto& [control, label] : {std::pair{gg::kBinNumber, "Bin Number"}, {gg::kProbability, "Probability"}}) {
        distribution.addEdit(control, QString::fromUtf8(label), GuidingGraphs::field(control));
        distribution.addEdit(control + 1, QString(), GuidingGraphs::field(control + 1));
        distribution.nextRow();
    }
    for (const auto& [control, label] :
         {std::pair{gg::kValuesRange, "Values Range"}, {gg::kProbabilityRange, "Probability Range"}}) {
        distribution.addResult(control, QString::fromUtf8(label));
        distribution.addResult(control + 1, QString());
        distribution.nextRow();
    }
    ControlForm& fft = *fields(GraphKind::Fft);
    fft.addEdit(gg::kFftXScale, QStringLiteral("X Scale"), GuidingGraphs::field(gg::kFftXScale));
    fft.addEdit(gg::kFftYScale, QStringLiteral("Y Scale"), GuidingGraphs::field(gg::kFftYScale));
    fft.nextRow();
    fft.addEdit(gg::kMaxPeakNumber, QStringLiteral("Max Peak Number"), GuidingGraphs::field(gg::kMaxPeakNumber));
    fft.addEdit(gg::kMaxPeakNumber + 1, QString(), GuidingGraphs::field(gg::kMaxPeakNumber + 1));
    fft.nextRow();
    for (int axis : {0, 1}) {
        auto* list = new QPlainTextEdit;
        list->setReadOnly(true);
        list->setFixedSize(140, 90);
        fft.addWidget(gg::kPeakList + axis, list, 2);
    }
    connect(m_graphsForm, &ControlForm::controlChanged, this, &CGuidingDlg::controlChanged);
}

GuidingTool& CGuidingDlg::guidingTool() const
{
    return static_cast<GuidingTool&>(tool());
}

void CGuidingDlg::controlChanged(int controlId, int value)
{
    if (controlId == gd::kSaveAs)
        saveAs();
    else if (!m_graphs.apply(controlId, value))
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
        m_rmsForm->showText(gd::kRmsArcsec + static_cast<int>(i), QString::fromStdString(view.rms[i]));
    m_form->applyEnables([this](int id) { return guidingControlEnabled(guidingTool(), id); });
    showGraphs();
}

// The selected graph's view and fields only; redrawn after a step or a change.
void CGuidingDlg::showGraphs()
{
    for (int id : {gg::kDriftGraph, gg::kDistributionGraph, gg::kFftGraph, gg::kHorizontal, gg::kVertical})
        m_graphsForm->showChecked(id, m_graphs.value(id) != 0);
    for (GraphKind kind : {GraphKind::Drift, GraphKind::Distribution, GraphKind::Fft}) {
        const bool selected = kind == m_graphs.settings().shownGraph;
        m_graphViews[static_cast<std::size_t>(kind)]->setVisible(selected);
        ControlForm& fields = *m_graphFields[static_cast<std::size_t>(kind)];
        fields.setVisible(selected);
        for (const auto& [id, control] : fields.controls())
            fields.showValue(id, m_graphs.value(id));
    }
    if (!m_graphs.needsRedraw())
        return;
    CGraphView& view = *m_graphViews[static_cast<std::size_t>(m_graphs.settings().shownGraph)];
    const GuidingGraphs::Result& result =
        m_graphs.redraw(guidingTool().run(), view.drawingWidth(), view.drawingHeight());
    view.showDrawing(result.drawing);
    ControlForm& distribution = *m_graphFields[static_cast<std::size_t>(GraphKind::Distribution)];
    ControlForm& fft = *m_graphFields[static_cast<std::size_t>(GraphKind::Fft)];
    for (int axis : {0, 1}) {
        const auto i = static_cast<std::size_t>(axis);
        distribution.showText(gg::kValuesRange + axis, QString::fromStdString(result.valuesRange[i]));
        distribution.showText(gg::kProbabilityRange + axis, QString::fromStdString(result.probabilityRange[i]));
        fft.showText(gg::kPeakList + axis, QString::fromStdString(result.peakLists[i]));
    }
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
