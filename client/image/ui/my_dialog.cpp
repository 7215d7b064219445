#include "client/image/ui/my_dialog.h"

#include "client/image/measurement_tool.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::client {

CMyDialog::CMyDialog(MeasurementTool& tool, QWidget* parent) : QDialog(parent), m_tool(tool)
{
    build();
}

CMyDialog::CMyDialog(std::unique_ptr<MeasurementTool> tool, QWidget* parent)
    : QDialog(parent), m_owned(std::move(tool)), m_tool(*m_owned)
{
    build();
}

CMyDialog::~CMyDialog()
{
    if (m_owned)
        m_owned->close(); // stops a running tool and writes its section before it goes
}

void CMyDialog::build()
{
    setModal(false);
    setWindowTitle(QString::fromStdString(m_tool.sectionName()));
    setObjectName(QString::fromStdString(m_tool.sectionName()));
    auto* layout = new QVBoxLayout(this);
    m_body = new QVBoxLayout;
    layout->addLayout(m_body);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    m_start = new QPushButton(this);
    m_start->setObjectName(QStringLiteral("StartStop"));
    buttons->addWidget(m_start);
    layout->addLayout(buttons);
    connect(m_start, &QPushButton::clicked, this, [this] {
        m_tool.toggleStartStop();
        refresh();
    });
    refresh();
}

void CMyDialog::refresh()
{
    m_start->setText(QString::fromStdString(m_tool.startButtonText()));
    showState();
}

void CMyDialog::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && !m_tool.isActive())
        m_tool.Activate();
    QDialog::changeEvent(event);
}

} // namespace velmora::client
