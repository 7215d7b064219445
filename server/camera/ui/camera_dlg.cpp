#include "server/camera/ui/camera_dlg.h"

#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "server/camera/camera_driver.h"
#include "server/camera/ui/bits_dlg.h"
#include "server/camera/ui/camera_bitmaps.h"
#include "server/camera/ui/format_page_dlg.h"
#include "server/camera/ui/preview_wnd.h"
#include "server/camera/ui/source_page_dlg.h"
#include "server/frame/device_settings.h"
#include "server/frame/setup_controls.h"
#include "server/frame/ui/profile_dlg.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmora::server {

namespace cd = camera_dlg;
using common::controlObjectName;

namespace {

void configureEdit(common::CMyEdit* edit, const common::NumericField& f)
{
    if (edit->field().minimum() != f.minimum() || edit->field().maximum() != f.maximum())
        edit->configure(f.flags(), f.minimum(), f.maximum(), f.step(), f.scale(), f.format().c_str());
}

} // namespace

CCameraDlg::CCameraDlg(CameraDriver& camera, QWidget* parent)
    : QDialog(parent), m_camera(camera), m_setup(camera), m_form(new common::ControlForm(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_form);
    buildSensor();
    buildColour();
    buildExposure();
    buildDevice();
    buildButtons();
    connect(m_form, &common::ControlForm::controlChanged, this, &CCameraDlg::changed);
    installPageHooks();

    m_setup.open();
    m_form->showItems(cd::kPort, m_setup.ports(), -1);
    m_form->showItems(cd::kSpeed, portSpeeds(), -1);
    m_form->showItems(cd::kDevice, m_setup.devices(), -1);
    showState(kShowTitle | kShowStatus | kShowValues | kShowPattern);
}

CCameraDlg::~CCameraDlg()
{
    // The preview window goes first, then its exposure; the pages die with this dialog.
    delete m_previewWnd;
    m_setup.closePreview();
    m_camera.setFormatPageHook({});
    m_camera.setSourcePageHook({});
}

QWidget* CCameraDlg::control(int id) const
{
    const auto it = m_pattern.find(id);
    return it != m_pattern.end() ? it->second : m_form->control(id);
}

void CCameraDlg::buildSensor()
{
    m_form->beginGroup("Sensor");
    m_form->addEdit(cd::kPixelWidth, "Pixel Width (mkm)", CameraSetup::field(cd::kPixelWidth));
    m_form->addEdit(cd::kPixelHeight, "Pixel Height (mkm)", CameraSetup::field(cd::kPixelHeight));
    m_form->nextRow();
    m_form->addEdit(cd::kMatrixWidth, "Matrix Width (dots)", CameraSetup::field(cd::kMatrixWidth));
    m_form->addEdit(cd::kMatrixHeight, "Matrix Height (dots)", CameraSetup::field(cd::kMatrixHeight));
    m_form->nextRow();
    m_form->addEdit(cd::kStartX, "X Position (dots)", CameraSetup::field(cd::kStartX));
    m_form->addEdit(cd::kStartY, "Y Position (dots)", CameraSetup::field(cd::kStartY));
    m_form->nextRow();
    m_form->addEdit(cd::kNumX, "X Dimension (dots)", CameraSetup::field(cd::kNumX));
    m_form->addEdit(cd::kNumY, "Y Dimension (dots)", CameraSetup::field(cd::kNumY));
}

void CCameraDlg::buildColour()
{
    m_form->beginGroup("Colour");
    m_form->addRadio(cd::kGraying, "Graying");
    m_form->addRadio(cd::kLuminosity, "Luminosity");
    m_form->addRadio(cd::kOriginal, "Original");
    m_form->addRadio(cd::kDebayerization, "Debayerization");
    m_form->nextRow();
    m_form->addWidget(0, buildPattern(), 4);
    m_form->nextRow();
    m_form->addEdit(cd::kRedCoeff, "Red (%)", CameraSetup::field(cd::kRedCoeff));
    m_form->addEdit(cd::kGreenCoeff, "Green (%)", CameraSetup::field(cd::kGreenCoeff));
    m_form->addEdit(cd::kBlueCoeff, "Blue (%)", CameraSetup::field(cd::kBlueCoeff));
}

QWidget* CCameraDlg::buildPattern()
{
    auto* pattern = new QWidget(this);
    auto* grid = new QGridLayout(pattern);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    const auto remember = [this](int id, QWidget* widget) {
        widget->setObjectName(controlObjectName(id));
        m_pattern[id] = widget;
    };
    const auto arrow = [&](int id, int bitmap, int column) {
        auto* button = new QToolButton(pattern);
        button->setIcon(QIcon(cameraBitmap(bitmap)));
        connect(button, &QToolButton::clicked, this, [this, id] { act(id, 0); });
        grid->addWidget(button, 0, column, 2, 1, Qt::AlignVCenter);
        remember(id, button);
    };
    arrow(cd::kPatternLeft, 115, 0);
    for (int i = 0; i < cd::kCells; ++i) {
        auto* frame = new QLabel(pattern); // the cell's frame holds its picture
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setFixedSize(kBitmapSize + 4, kBitmapSize + 4);
        frame->setAlignment(Qt::AlignCenter);
        grid->addWidget(frame, i / 2, 1 + i % 2);
        remember(cd::kCellFrameTopLeft + i, frame);
        auto* cell = new QLabel(frame);
        cell->setGeometry(2, 2, kBitmapSize, kBitmapSize);
        remember(cd::kCellTopLeft + i, cell);
    }
    arrow(cd::kPatternRight, 114, 3);
    auto* label = new QLabel(pattern);
    grid->addWidget(label, 0, 4, 2, 1, Qt::AlignVCenter);
    remember(cd::kPatternLabel, label);
    grid->setColumnStretch(5, 1);
    return pattern;
}

void CCameraDlg::buildExposure()
{
    m_form->beginGroup("Exposure");
    m_form->addList(cd::kPort, "Port");
    m_form->addList(cd::kSpeed, "");
    m_form->addButton(cd::kSetBits, "Set Bits");
    m_form->nextRow();
    m_form->addRadio(cd::kAmpModeOn, "Amp. Mode On");
    m_form->addRadio(cd::kAmpModeOff, "Amp. Mode Off");
    m_form->addEdit(cd::kAccumulate, "Accumulate (frames)", CameraSetup::field(cd::kAccumulate));
    m_form->nextRow();
    m_form->addLabel(cd::kPortStatus, "");
}

void CCameraDlg::buildDevice()
{
    m_form->beginGroup("Video Device");
    m_form->addList(cd::kDevice, "");
    m_form->addButton(cd::kFormat, "Format");
    m_form->addButton(cd::kSource, "Source");
    m_form->nextRow();
    m_form->addButton(cd::kPreview, "Preview");
    m_form->addEdit(cd::kPreviewExposure, "Exposure (sec)", CameraSetup::field(cd::kPreviewExposure));
    m_form->addButton(cd::kRestart, "Restart");
    m_form->endGroup();
}

void CCameraDlg::buildButtons()
{
    m_form->addButton(cd::kLoadProfile, "Load Profile");
    m_form->addButton(cd::kSaveProfile, "Save Profile");
    m_form->addButton(cd::kConnect, "Connect");
    QPushButton* ok = m_form->addButton(1, "OK");
    ok->setDefault(true);
}

void CCameraDlg::installPageHooks()
{
    m_camera.setFormatPageHook([this](CameraDriver& camera) -> std::optional<platform::VideoFormat> {
        const CameraSettings s = camera.settings();
        const platform::VideoFormat current{s.formatWidth, s.formatHeight,
                                            static_cast<std::uint32_t>(std::max(s.formatPeriod, 0))};
        CFormatPageDlg page(camera.formatOptions(), current, this);
        if (page.exec() != QDialog::Accepted)
            return std::nullopt;
        return page.page().chosen();
    });
    m_camera.setSourcePageHook([this](CameraDriver& camera) {
        CSourcePageDlg page(camera, this);
        page.exec();
    });
}

void CCameraDlg::changed(int controlId, int value)
{
    switch (controlId) {
    case 1:
        accept();
        return;
    case cd::kSetBits:
        runBitsDialog();
        return;
    case cd::kLoadProfile:
    case cd::kSaveProfile:
        runProfileDialog(controlId == cd::kLoadProfile);
        return;
    case cd::kPreview:
        openPreview();
        return;
    default:
        act(controlId, value);
    }
}

void CCameraDlg::act(int controlId, int value)
{
    const QWidget* widget = control(controlId);
    if (qobject_cast<const common::CMyEdit*>(widget))
        showState(m_setup.edit(controlId, value));
    else if (qobject_cast<const QComboBox*>(widget))
        showState(m_setup.select(controlId, value));
    else
        showState(m_setup.click(controlId));
}

void CCameraDlg::runBitsDialog()
{
    CBitsDlg bits(m_setup.selectedSequence(), this);
    if (bits.exec() == QDialog::Accepted)
        m_setup.applyExposureBits(bits.editor().record());
}

void CCameraDlg::runProfileDialog(bool load)
{
    const std::string& current = m_camera.profile();
    if (load) {
        if (const auto name = chooseProfileToLoad(kCameraDriverName, current, this))
            showState(m_setup.loadProfile(*name));
    } else if (const auto name = chooseProfileToSave(kCameraDriverName, current, this)) {
        showState(m_setup.saveProfile(*name));
    }
}

void CCameraDlg::openPreview()
{
    if (m_previewWnd) {
        m_previewWnd->raise();
        m_previewWnd->activateWindow();
        return;
    }
    m_setup.openPreview(CPreviewWnd::displayBitsPerPixel());
    m_previewWnd = new CPreviewWnd(*m_setup.preview());
    connect(m_previewWnd, &CPreviewWnd::closed, this, &CCameraDlg::previewClosed);
    m_previewWnd->show();
    applyEnables();
}

void CCameraDlg::previewClosed()
{
    if (m_previewWnd)
        m_previewWnd->deleteLater();
    m_previewWnd = nullptr;
    m_setup.closePreview();
    applyEnables();
}

void CCameraDlg::showState(unsigned what)
{
    if (what & kShowTitle)
        setWindowTitle(QString::fromStdString(m_setup.title()));
    if (what & kShowStatus)
        showStatus();
    if (what & kShowValues)
        showValues();
    if (what & kShowPattern)
        showPattern();
    applyEnables();
}

void CCameraDlg::showStatus()
{
    const CameraStatus& status = m_setup.refreshStatus();
    if (!m_setup.previewOpen() && m_previewWnd) {
        // The camera lost its device or port: the preview has ended with it.
        delete m_previewWnd;
        m_previewWnd = nullptr;
    }
    m_form->controlAs<QPushButton>(cd::kConnect)->setText(QString::fromStdString(status.connectText));
    m_form->showText(cd::kPortStatus, QString::fromStdString(status.portStatus));
}

void CCameraDlg::showValues()
{
    const CameraValues v = m_setup.values();
    for (int id : {cd::kStartX, cd::kStartY, cd::kNumX, cd::kNumY})
        configureEdit(m_form->controlAs<common::CMyEdit>(id), CameraSetup::field(id, v));
    const std::pair<int, int> shown[] = {{cd::kPixelWidth, v.pixelWidth},
                                         {cd::kPixelHeight, v.pixelHeight},
                                         {cd::kMatrixWidth, v.matrixWidth},
                                         {cd::kMatrixHeight, v.matrixHeight},
                                         {cd::kStartX, v.startX},
                                         {cd::kStartY, v.startY},
                                         {cd::kNumX, v.numX},
                                         {cd::kNumY, v.numY},
                                         {cd::kRedCoeff, v.coefficients[kRed]},
                                         {cd::kGreenCoeff, v.coefficients[kGreen]},
                                         {cd::kBlueCoeff, v.coefficients[kBlue]},
                                         {cd::kAccumulate, v.framesToSum}};
    for (const auto& [id, value] : shown)
        m_form->showValue(id, value);
    m_form->controlAs<QComboBox>(cd::kPort)->setCurrentIndex(v.portIndex.value_or(-1));
    m_form->controlAs<QComboBox>(cd::kSpeed)->setCurrentIndex(v.speedIndex.value_or(-1));
    m_form->showItems(cd::kDevice, m_setup.devices(), v.deviceIndex.value_or(-1));
    m_form->showChecked(cd::kGraying + v.colourMode, true);
    m_form->showChecked(cd::kAmpModeOn + v.sequenceType, true);
}

void CCameraDlg::showPattern()
{
    const PatternView view = m_setup.pattern();
    static_cast<QLabel*>(m_pattern.at(cd::kPatternLabel))->setText(QString::fromStdString(view.label));
    for (int i = 0; i < cd::kCells; ++i) {
        auto* cell = static_cast<QLabel*>(m_pattern.at(cd::kCellTopLeft + i));
        const int bitmap = CameraSetup::cellBitmap(view.cells[static_cast<std::size_t>(i)]);
        cell->setPixmap(cameraBitmap(bitmap));
        cell->setProperty("bitmap", bitmap);
    }
    for (const auto& [id, widget] : m_pattern)
        widget->setVisible(m_setup.visible(id));
}

void CCameraDlg::applyEnables()
{
    const auto enabled = [this](int id) { return id <= 2 || m_setup.enabled(id); };
    m_form->applyEnables(enabled);
    for (const auto& [id, widget] : m_pattern)
        widget->setEnabled(enabled(id));
}

} // namespace velmora::server
