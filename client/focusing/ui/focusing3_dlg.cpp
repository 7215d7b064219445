#include "client/focusing/ui/focusing3_dlg.h"

#include "client/focusing/driver_focuser.h"
#include "client/focusing/focusing_panel.h"
#include "client/focusing/focusing_tool.h"
#include "client/focusing/ui/diameter_graph.h"
#include "client/image/image_window.h"
#include "client/shell/command_ids.h"
#include "client/shell/settings_layout.h"
#include "client/shell/ui/main_frame.h"
#include "common/ui/control_form.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace velmora::client {

namespace fd = focusing_dlg;
using common::ControlForm;

namespace {

std::unique_ptr<FocusingTool> makeTool(ImageWindow& window, SettingsStore& store,
                                       std::unique_ptr<FocuserAccess> focuser)
{
    return std::make_unique<FocusingTool>(window.pipeline(), store, window.geometry(), std::move(focuser));
}

void addPosition(ControlForm& form, int edit, const char* label, int cur, int maxStep)
{
    form.addEdit(edit, QString::fromUtf8(label), focusingField(edit, maxStep));
    form.addButton(cur, QStringLiteral("Cur"));
    form.nextRow();
}

void buildSettings(ControlForm& form, int maxStep)
{
    addPosition(form, fd::kFirstPosition, "First Position", fd::kFirstCur, maxStep);
    addPosition(form, fd::kSecondPosition, "Second Position", fd::kSecondCur, maxStep);
    addPosition(form, fd::kCenterPosition, "Center Position", fd::kCenterCur, maxStep);
    form.addEdit(fd::kMeasuringStep, QStringLiteral("Measuring Step"),
                 focusingField(fd::kMeasuringStep, maxStep));
    form.nextRow();
    form.addEdit(fd::kThresholdLevel, QStringLiteral("Threshold Level"),
                 focusingField(fd::kThresholdLevel, maxStep));
    form.nextRow();
    form.addEdit(fd::kBacklashStep, QStringLiteral("Backlash Step"),
                 focusingField(fd::kBacklashStep, maxStep));
    form.addCheck(fd::kUseBacklash, QStringLiteral("Take Up Backlash"));
    form.nextRow();
    form.addCheck(fd::kUseMedian, QStringLiteral("Median Filter"));
    form.addEdit(fd::kMedianNumber, QString(), focusingField(fd::kMedianNumber, maxStep));
    form.nextRow();
    form.addCheck(fd::kUseLinear, QStringLiteral("Linear Filter"));
    form.addEdit(fd::kLinearNumber, QString(), focusingField(fd::kLinearNumber, maxStep));
    form.addButton(fd::kApply, QStringLiteral("Apply"));
    form.nextRow();
}

void buildResults(ControlForm& form)
{
    form.beginGroup(QStringLiteral("Results"));
    form.addResult(fd::kCurrentFocus, QStringLiteral("Current Focus"));
    form.addResult(fd::kDeltaFocus, QStringLiteral("Delta Focus"));
    form.nextRow();
    form.addResult(fd::kCurrentBacklash, QStringLiteral("Current BackLash"));
    form.addResult(fd::kDeltaBacklash, QStringLiteral("Delta BackLash"));
    form.nextRow();
    form.addResult(fd::kMotorPosition, QStringLiteral("Motor Position"));
    form.nextRow();
    form.addLabel(fd::kDefocusingZone, QStringLiteral("Defocusing Zone - Not Defined"));
    form.nextRow();
    form.addLabel(fd::kStatus, QString());
    form.endGroup();
}

} // namespace

CFocusing3Dlg::CFocusing3Dlg(ImageWindow& window, SettingsStore& store,
                             std::unique_ptr<FocuserAccess> focuser, QWidget* parent)
    : CMyDialog(makeTool(window, store, std::move(focuser)), parent), m_form(new ControlForm(this))
{
    setAttribute(Qt::WA_DeleteOnClose);
    buildSettings(*m_form, focusingTool().run().maxStep());
    buildResults(*m_form);
    m_graph = new CDiameterGraph(this);
    m_graph->setObjectName(common::controlObjectName(fd::kGraphFrame));
    auto* columns = new QHBoxLayout;
    columns->addWidget(m_form, 0, Qt::AlignTop);
    columns->addWidget(m_graph, 0, Qt::AlignTop);
    body()->addLayout(columns);
    connect(m_form, &ControlForm::controlChanged, this, &CFocusing3Dlg::controlChanged);
    m_timer.setCallback([this](int timerId) { onTimer(timerId); });
    focusingTool().Activate();
    focusingTool().startTimer(m_timer);
    showState();
}

CFocusing3Dlg::~CFocusing3Dlg()
{
    focusingTool().closeFocusing();
}

FocusingTool& CFocusing3Dlg::focusingTool() const
{
    return static_cast<FocusingTool&>(tool());
}

void CFocusing3Dlg::onTimer(int timerId)
{
    focusingTool().onTimer(timerId);
    refresh();
}

void CFocusing3Dlg::controlChanged(int controlId, int value)
{
    applyFocusingControl(focusingTool(), controlId, value);
    refresh();
}

void CFocusing3Dlg::showState()
{
    const FocusingPanelView view = focusingPanelView(focusingTool());
    m_form->showValue(fd::kFirstPosition, view.firstPosition);
    m_form->showValue(fd::kSecondPosition, view.secondPosition);
    m_form->showValue(fd::kCenterPosition, view.centerPosition);
    m_form->showValue(fd::kMeasuringStep, view.measuringStep);
    m_form->showValue(fd::kThresholdLevel, view.thresholdLevel);
    m_form->showValue(fd::kBacklashStep, view.backlashStep);
    m_form->showChecked(fd::kUseBacklash, view.useBacklash);
    m_form->showValue(fd::kMedianNumber, view.medianNumber);
    m_form->showChecked(fd::kUseMedian, view.useMedian);
    m_form->showValue(fd::kLinearNumber, view.linearNumber);
    m_form->showChecked(fd::kUseLinear, view.useLinear);
    m_form->showText(fd::kCurrentFocus, QString::fromStdString(view.currentFocus));
    m_form->showText(fd::kDeltaFocus, QString::fromStdString(view.deltaFocus));
    m_form->showText(fd::kCurrentBacklash, QString::fromStdString(view.currentBacklash));
    m_form->showText(fd::kDeltaBacklash, QString::fromStdString(view.deltaBacklash));
    m_form->showText(fd::kMotorPosition, QString::fromStdString(view.motorPosition));
    m_form->showText(fd::kDefocusingZone, QString::fromStdString(view.defocusingZone));
    m_form->showText(fd::kStatus, QString::fromStdString(view.status));
    m_form->applyEnables([this](int id) { return focusingControlEnabled(focusingTool(), id); });
    m_graph->showGraph(focusingTool().graph());
}

void registerFocusingWindow(CMainFrame& frame)
{
    frame.registerToolWindow(kCommandFocusing, settings::kFocusingSection,
                             [&frame](ImageWindow& window, QWidget* parent) -> CMyDialog* {
                                 MainFrame& core = frame.core();
                                 auto focuser = std::make_unique<DriverFocuser>(
                                     [&core] { return core.binding().driver(DriverKind::Focuser); });
                                 return new CFocusing3Dlg(window, core.store(), std::move(focuser), parent);
                             });
}

} // namespace velmora::client
