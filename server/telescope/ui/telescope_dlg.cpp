#include "server/telescope/ui/telescope_dlg.h"

#include "common/ui/control_form.h"
#include "server/frame/device_settings.h"
#include "server/frame/ui/arrow_pad.h"
#include "server/frame/ui/profile_dlg.h"
#include "server/telescope/telescope_driver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmora::server {

namespace td = telescope_dlg;
using common::controlObjectName;

CTelescopeDlg::CTelescopeDlg(TelescopeDriver& telescope, QWidget* parent)
    : QDialog(parent), m_telescope(telescope), m_setup(telescope), m_form(new common::ControlForm(this)),
      m_pad(new CArrowPad(this))
{
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_form);
    layout->addWidget(m_pad, 0, Qt::AlignCenter);

    m_form->beginGroup("Port");
    m_form->addList(td::kPort, "");
    m_form->addList(td::kSpeed, "");
    m_form->addCheck(td::kUseRelay, "Use Relay");
    m_form->addCheck(td::kInvert, "Invert Polarity");
    m_form->nextRow();
    m_form->addWidget(td::kRelayNumbers, buildNumbers(td::kRelayNumbers), 6);
    m_form->nextRow();
    m_form->addWidget(td::kPinNumbers, buildNumbers(td::kPinNumbers), 6);
    m_form->nextRow();
    m_form->addWidget(0, buildLines(), 6);
    m_form->nextRow();
    m_form->addEdit(td::kHorBacklash, "Hor. Backlash (sec)", TelescopeSetup::field(td::kHorBacklash));
    m_form->addEdit(td::kVerBacklash, "Ver. Backlash (sec)", TelescopeSetup::field(td::kVerBacklash));
    m_form->nextRow();
    m_form->addLabel(td::kDeviceText, "");
    m_form->beginGroup("Telescope");
    m_form->addEdit(td::kDiameter, "Aperture Diameter (mm)", TelescopeSetup::field(td::kDiameter));
    m_form->addEdit(td::kFocal, "Focal Length (mm)", TelescopeSetup::field(td::kFocal));
    m_form->nextRow();
    m_form->addList(td::kBarlow, "Barlow/Reducer");
    m_form->addResult(td::kFocalRatio, "F/D");
    m_form->addResult(td::kResolution, "Resolution ('')");
    m_form->endGroup();
    m_form->addButton(td::kLoadProfile, "Load Profile");
    m_form->addButton(td::kSaveProfile, "Save Profile");
    m_form->addButton(td::kConnect, "Connect");
    m_form->addButton(1, "OK")->setDefault(true);

    connect(m_form, &common::ControlForm::controlChanged, this, &CTelescopeDlg::changed);
    connect(m_pad, &CArrowPad::pressed, this, [this](Arrow arrow) { m_setup.press(arrow); });
    connect(m_pad, &CArrowPad::released, this, [this](Arrow arrow) { m_setup.release(arrow); });
    connect(m_pad, &CArrowPad::centreClicked, this, [this] {
        m_setup.click(arrow_ids::kCentre);
        m_pad->showAllReleased();
    });

    m_setup.open();
    m_form->showItems(td::kPort, m_setup.ports(), -1);
    m_form->showItems(td::kSpeed, portSpeeds(), -1);
    m_form->showItems(td::kBarlow, barlowTexts(), -1);
    setWindowTitle(QString::fromStdString(m_setup.title()));
    refresh();
    showValues();
}

QWidget* CTelescopeDlg::buildNumbers(int labelId)
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (const std::string& number : lineNumbers(labelId)) {
        auto* label = new QLabel(QString::fromStdString(number), row);
        label->setFixedWidth(26);
        label->setAlignment(Qt::AlignCenter);
        layout->addWidget(label);
    }
    layout->addStretch();
    m_numbers[labelId == td::kRelayNumbers ? 0 : 1] = row;
    return row;
}

QWidget* CTelescopeDlg::buildLines()
{
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    for (int line = td::kLines - 1; line >= 0; --line) {
        auto* button = new QToolButton(row);
        button->setObjectName(controlObjectName(td::kFirstLine + line));
        button->setFixedSize(26, 26);
        connect(button, &QToolButton::clicked, this, [this, line] {
            m_setup.click(td::kFirstLine + line);
            showValues();
        });
        layout->addWidget(button);
        m_lines[static_cast<std::size_t>(line)] = button;
    }
    layout->addStretch();
    return row;
}

void CTelescopeDlg::changed(int controlId, int value)
{
    switch (controlId) {
    case 1:
        accept();
        return;
    case td::kLoadProfile:
    case td::kSaveProfile:
        runProfileDialog(controlId == td::kLoadProfile);
        return;
    case td::kPort:
    case td::kSpeed:
    case td::kBarlow:
        if (m_setup.select(controlId, value))
            refresh();
        break;
    case td::kHorBacklash:
    case td::kVerBacklash:
    case td::kDiameter:
    case td::kFocal:
        m_setup.edit(controlId, value);
        break;
    default:
        if (m_setup.click(controlId, value != 0))
            refresh();
        break;
    }
    showValues();
}

void CTelescopeDlg::runProfileDialog(bool load)
{
    const std::string& current = m_telescope.profile();
    if (load) {
        if (const auto name = chooseProfileToLoad(kTelescopeDriverName, current, this)) {
            m_setup.loadProfile(*name);
            refresh();
        }
    } else if (const auto name = chooseProfileToSave(kTelescopeDriverName, current, this)) {
        m_setup.saveProfile(*name);
    }
    setWindowTitle(QString::fromStdString(m_setup.title()));
    showValues();
}

void CTelescopeDlg::refresh()
{
    const TelescopeStatus& status = m_setup.refreshStatus();
    const auto enabled = [this](int id) { return m_setup.enabled(id); };
    m_form->applyEnables(enabled);
    m_pad->applyEnables(enabled);
    m_form->controlAs<QPushButton>(td::kConnect)->setText(QString::fromStdString(status.connectText));
    auto* device = m_form->controlAs<QLabel>(td::kDeviceText);
    device->setText(QString::fromStdString(status.deviceText));
    device->setStyleSheet(status.connected ? "color: blue" : "color: red");
    m_numbers[0]->setVisible(m_setup.visible(td::kRelayNumbers));
    m_numbers[1]->setVisible(m_setup.visible(td::kPinNumbers));
}

void CTelescopeDlg::showValues()
{
    const TelescopeValues v = m_setup.values();
    m_form->showValue(td::kHorBacklash, v.horBacklashMs);
    m_form->showValue(td::kVerBacklash, v.verBacklashMs);
    m_form->showValue(td::kDiameter, v.diameterMm);
    m_form->showValue(td::kFocal, v.focalMm);
    m_form->showChecked(td::kUseRelay, v.useRelay);
    m_form->showChecked(td::kInvert, v.invert);
    m_form->controlAs<QComboBox>(td::kBarlow)->setCurrentIndex(v.barlowIndex.value_or(-1));
    m_form->controlAs<QComboBox>(td::kPort)->setCurrentIndex(v.portIndex.value_or(-1));
    m_form->controlAs<QComboBox>(td::kSpeed)->setCurrentIndex(v.speedIndex.value_or(-1));
    for (int line = 0; line < td::kLines; ++line) {
        const std::optional<int> d = v.lines[static_cast<std::size_t>(line)];
        m_lines[static_cast<std::size_t>(line)]->setText(lineDirectionLetter(d));
        m_lines[static_cast<std::size_t>(line)]->setProperty("direction", d ? *d : -1);
    }
    m_form->showText(td::kFocalRatio, QString::fromStdString(v.focalRatio));
    m_form->showText(td::kResolution, QString::fromStdString(v.resolution));
}

} // namespace velmora::server
