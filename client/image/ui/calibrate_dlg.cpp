#include "client/image/ui/calibrate_dlg.h"

#include "common/ui/my_edit.h"
#include "common/ui/my_spin.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace velmora::client {

namespace {
constexpr int kPollMs = 50;
} // namespace

CCalibrateDlg::CCalibrateDlg(WindowCalibration& calibration, CalibrationKind kind, QWidget* parent)
    : QDialog(parent), m_run(calibration, kind), m_number(new common::CMyEdit(1100, this)),
      m_progress(new QProgressBar(this)), m_ok(nullptr), m_poll(new QTimer(this))
{
    setWindowTitle(QStringLiteral("Calibration"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString(m_run.prompt()), this));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Average By Frames Number"), this));
    m_number->configure(common::kHasSpin | common::kRangeCheck, WindowCalibration::kMinAverage,
                        WindowCalibration::kMaxAverage, 1, 1.0);
    m_number->setValue(calibration.averageNumber());
    row->addWidget(m_number);
    row->addWidget(new common::CMySpin(m_number, this));
    layout->addLayout(row);
    m_progress->setRange(0, calibration.averageNumber());
    m_progress->setValue(0);
    layout->addWidget(m_progress);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    layout->addWidget(buttons);
    connect(m_ok, &QPushButton::clicked, this, &CCalibrateDlg::startRun);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_poll, &QTimer::timeout, this, &CCalibrateDlg::showProgress);
}

// Closing in any way frees the window for another run and keeps the number.
CCalibrateDlg::~CCalibrateDlg()
{
    m_run.stop();
}

void CCalibrateDlg::startRun()
{
    m_number->clearFocus(); // commits a typed number
    if (!m_run.start(m_number->value()))
        return;
    m_number->setEnabled(false);
    m_ok->setEnabled(false);
    m_progress->setRange(0, m_run.frames());
    m_poll->start(kPollMs);
}

void CCalibrateDlg::showProgress()
{
    m_progress->setValue(m_run.count());
    if (m_run.finished()) {
        m_poll->stop();
        accept();
    }
}

} // namespace velmora::client
