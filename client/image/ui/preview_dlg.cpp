#include "client/image/ui/preview_dlg.h"

#include "client/image/preview_tool.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::client {

namespace {

QLineEdit* readOut(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setObjectName(QString::fromUtf8(name));
    field->setMinimumWidth(80);
    return field;
}

} // namespace

CPreviewDlg::CPreviewDlg(PreviewTool& tool, QWidget* parent)
    : CMyDialog(tool, parent), m_centroidX(readOut(this, "CentroidX")), m_centroidY(readOut(this, "CentroidY")),
      m_fwhm(readOut(this, "Fwhm"))
{
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Centroid X (pt)"), m_centroidX);
    form->addRow(QStringLiteral("Centroid Y (pt)"), m_centroidY);
    form->addRow(QStringLiteral("FWHM ('')"), m_fwhm);
    body()->addLayout(form);
    startButton()->setEnabled(false);
    startButton()->setToolTip(QStringLiteral("Axis calibration"));
    showState();
}

void CPreviewDlg::showState()
{
    m_centroidX->setText(QString::number(tool().centroidX(), 'f', 2));
    m_centroidY->setText(QString::number(tool().centroidY(), 'f', 2));
    m_fwhm->setText(QString::number(tool().fwhm(), 'f', 2));
}

// The preview lives as long as its image window: closing it only hides it.
void CPreviewDlg::closeEvent(QCloseEvent* event)
{
    hide();
    event->ignore();
}

} // namespace velmora::client
