#include "server/focuser/ui/focuser_dlg.h"

#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "server/focuser/focuser_driver.h"
#include "server/frame/device_settings.h"
#include "server/frame/ui/arrow_pad.h"
#include "server/frame/ui/profile_dlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>

namespace velmora::server {

namespace fd = focuser_dlg;

namespace {

Qt::CheckState checkState(BoxState state)
{
    switch (state) {
    case BoxState::Unchecked:
        return Qt::Unchecked;
    case BoxState::Checked:
        return Qt::Checked;
    case BoxState::Unknown:
        break;
    }
    return Qt::PartiallyChecked;
}

} // namespace

CFocuserDlg::CFocuserDlg(FocuserDriver& focuser, QWidget* parent)
    : QDialog(parent), m_focuser(focuser), m_setup(focuser), m_form(new common::ControlForm(this)),
      m_pad(new CArrowPad(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_form);
    layout->addWidget(m_pad, 0, Qt::AlignCenter);
    buildValues();
    buildCells();
    buildPort();

    connect(m_form, &common::ControlForm::controlChanged, this, &CFocuserDlg::changed);
    connect(m_pad, &CArrowPad::pressed, this, [this](Arrow arrow) { m_setup.press(arrow); });
    connect(m_pad, &CArrowPad::released, this, [this](Arrow arrow) { m_setup.release(arrow); });

    m_setup.open();
    m_form->showItems(fd::kPort, m_setup.ports(), -1);
    m_form->showItems(fd::kSpeed, portSpeeds(), -1);
    m_form->showItems(fd::kCursorSpeed, FocuserSetup::cursorSpeeds(), -1);
    setWindowTitle(QString::fromStdString(m_setup.title()));
    refresh();
    showValues();

    QTimer::singleShot(fd::kFirstReadDelay, this, &CFocuserDlg::readAll);
    m_positionTimer.setInterval(fd::kPositionPeriod);
    connect(&m_positionTimer, &QTimer::timeout, this, &CFocuserDlg::pollPosition);
    m_positionTimer.start();
}

void CFocuserDlg::buildValues()
{
    const auto edit = [this](int id, const char* label) {
        m_form->addEdit(id, label, FocuserSetup::field(id));
    };
    m_form->beginGroup("Step");
    edit(fd::kStepNumber, "Number");
    edit(fd::kStepPulse, "Pulse (ms)");
    edit(fd::kStepCurrent, "Current");
    m_form->beginGroup("Backlash");
    edit(fd::kBackNumber, "Number");
    edit(fd::kBackPulse, "Pulse (ms)");
    edit(fd::kBackCurrent, "Current");
    m_form->beginGroup("End Switch");
    m_form->addCheck(fd::kSoft, "Soft")->setTristate(true);
    m_form->addCheck(fd::kHard, "Hard")->setTristate(true);
    m_form->nextRow();
    edit(fd::kSoftMin, "Soft Min");
    m_form->addButton(fd::kCurMin, "Cur");
    edit(fd::kSoftMax, "Soft Max");
    m_form->addButton(fd::kCurMax, "Cur");
    m_form->beginGroup("Speeds");
    const char* pulses[] = {"Pulse 1 (ms)", "Pulse 2 (ms)", "Pulse 3 (ms)"};
    const char* currents[] = {"Current 1", "Current 2", "Current 3"};
    for (int n = 0; n < 3; ++n) {
        edit(fd::kSpeedPulse1 + 2 * n, pulses[n]);
        edit(fd::kSpeedCurrent1 + 2 * n, currents[n]);
        m_form->nextRow();
    }
    edit(fd::kStopCurrent, "Stop Current");
    edit(fd::kStepSize, "Step Size (mkm)");
}

void CFocuserDlg::buildCells()
{
    m_form->beginGroup("Cells");
    m_form->addRadio(fd::kOneCell, "1 Cell");
    m_form->addRadio(fd::kEightCells, "8 Cell");
    m_form->nextRow();
    for (int cell = 0; cell < fd::kCells; ++cell) {
        m_form->addEdit(fd::kFirstCell + cell, QString::number(cell),
                        FocuserSetup::field(fd::kFirstCell + cell));
        m_form->addButton(fd::kFirstGo + cell, "Go");
        if (cell % 3 == 2)
            m_form->nextRow();
    }
    m_form->addEdit(fd::kCurrentPosition, "Current Pos.", FocuserSetup::field(fd::kCurrentPosition));
    m_form->addList(fd::kCursorSpeed, "");
    m_form->endGroup();
}

void CFocuserDlg::buildPort()
{
    m_form->addList(fd::kPort, "");
    m_form->addList(fd::kSpeed, "");
    m_form->addLabel(fd::kDeviceText, "");
    m_form->nextRow();
    m_form->addButton(fd::kUpdateValues, "Update Values");
    m_form->addButton(fd::kConnect, "Connect");
    m_form->addButton(fd::kLoadProfile, "Load Profile");
    m_form->addButton(fd::kSaveProfile, "Save Profile");
    m_form->addButton(1, "OK")->setDefault(true);
}

void CFocuserDlg::changed(int controlId, int value)
{
    bool relink = false;
    switch (controlId) {
    case 1:
        accept();
        return;
    case fd::kLoadProfile:
    case fd::kSaveProfile:
        runProfileDialog(controlId == fd::kLoadProfile);
        return;
    case fd::kPort:
    case fd::kSpeed:
    case fd::kCursorSpeed:
        relink = m_setup.select(controlId, value);
        break;
    default:
        if (qobject_cast<common::CMyEdit*>(m_form->control(controlId)))
            relink = m_setup.edit(controlId, value);
        else
            relink = m_setup.click(controlId);
        break;
    }
    if (relink) {
        refresh();
        readAll();
        return;
    }
    showValues();
}

void CFocuserDlg::runProfileDialog(bool load)
{
    const std::string& current = m_focuser.profile();
    if (load) {
        if (const auto name = chooseProfileToLoad(kFocuserDriverName, current, this)) {
            m_setup.loadProfile(*name);
            refresh();
            readAll();
        }
    } else if (const auto name = chooseProfileToSave(kFocuserDriverName, current, this)) {
        m_setup.saveProfile(*name);
    }
    setWindowTitle(QString::fromStdString(m_setup.title()));
}

void CFocuserDlg::refresh()
{
    m_setup.refresh();
    m_form->controlAs<QPushButton>(fd::kConnect)->setText(QString::fromStdString(m_setup.connectText()));
    auto* device = m_form->controlAs<QLabel>(fd::kDeviceText);
    device->setText(QString::fromStdString(m_setup.deviceText()));
    device->setStyleSheet(m_setup.linked() ? "color: blue" : "color: red");
}

void CFocuserDlg::readAll()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_setup.readAll();
    QApplication::restoreOverrideCursor();
    showValues();
}

void CFocuserDlg::pollPosition()
{
    const QWidget* position = m_form->control(fd::kCurrentPosition);
    m_setup.pollPosition(position->hasFocus());
    showNumber(fd::kCurrentPosition);
}

void CFocuserDlg::showNumber(int controlId)
{
    auto* edit = m_form->controlAs<common::CMyEdit>(controlId);
    const std::optional<std::int32_t> value = m_setup.shown(controlId);
    if (edit->hasFocus() && edit->isModified())
        return; // the user is typing
    if (!value)
        edit->clear();
    else if (edit->text().isEmpty() || edit->value() != *value)
        edit->setValue(*value);
}

void CFocuserDlg::showBoxesAndCells()
{
    for (int id : {fd::kSoft, fd::kHard})
        m_form->controlAs<QCheckBox>(id)->setCheckState(checkState(m_setup.box(id)));
    const std::optional<int> mode = m_setup.cellMode();
    for (int id : {fd::kOneCell, fd::kEightCells}) {
        auto* radio = m_form->controlAs<QRadioButton>(id);
        radio->setAutoExclusive(false); // so that neither may be selected
        radio->setChecked(mode == id - fd::kOneCell);
        radio->setAutoExclusive(true);
    }
}

void CFocuserDlg::showValues()
{
    for (const FocuserValueControl& c : focuserValueControls())
        showNumber(c.id);
    showNumber(fd::kCurrentPosition);
    m_form->showValue(fd::kStepSize, m_setup.stepSize());
    showBoxesAndCells();
    m_form->controlAs<QComboBox>(fd::kCursorSpeed)->setCurrentIndex(m_setup.cursorIndex());
    m_form->controlAs<QComboBox>(fd::kPort)->setCurrentIndex(m_setup.portIndex().value_or(-1));
    m_form->controlAs<QComboBox>(fd::kSpeed)->setCurrentIndex(m_setup.speedIndex().value_or(-1));
    const auto enabled = [this](int id) { return m_setup.enabled(id); };
    m_form->applyEnables(enabled);
    m_pad->applyEnables(enabled);
}

} // namespace velmora::server
