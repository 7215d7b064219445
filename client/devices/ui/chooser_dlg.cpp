#include "client/devices/ui/chooser_dlg.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::client {

CChooserDlg::CChooserDlg(const std::string& deviceType, const std::vector<DriverEntry>& drivers,
                         int preselected, QWidget* parent)
    : QDialog(parent), m_list(new QListWidget(this)), m_ok(nullptr)
{
    setWindowTitle(QString::fromStdString("ASCOM " + deviceType + " Chooser"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QString::fromStdString("Select the " + deviceType + " driver:"), this));
    for (const DriverEntry& d : drivers)
        m_list->addItem(QString::fromStdString(d.description));
    if (preselected >= 0 && preselected < m_list->count())
        m_list->setCurrentRow(preselected);
    layout->addWidget(m_list);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    m_ok->setEnabled(m_list->currentRow() >= 0);
    layout->addWidget(buttons);
    connect(m_list, &QListWidget::currentRowChanged, this, [this](int row) { m_ok->setEnabled(row >= 0); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

std::optional<std::size_t> CChooserDlg::selection() const
{
    const int row = m_list->currentRow();
    if (row < 0)
        return std::nullopt;
    return static_cast<std::size_t>(row);
}

std::optional<std::size_t> QtChooserDialog::choose(const std::string& deviceType,
                                                   const std::vector<DriverEntry>& drivers, int preselected)
{
    CChooserDlg dialog(deviceType, drivers, preselected);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.selection();
}

} // namespace velmora::client
