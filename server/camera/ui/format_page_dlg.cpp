#include "server/camera/ui/format_page_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::server {

namespace {

QComboBox* list(const char* name, QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setObjectName(name);
    return combo;
}

void showItems(QComboBox* combo, const std::vector<std::string>& items, std::optional<int> selected)
{
    const QSignalBlocker blocker(combo);
    combo->clear();
    for (const std::string& item : items)
        combo->addItem(QString::fromStdString(item));
    combo->setCurrentIndex(selected.value_or(-1));
}

} // namespace

CFormatPageDlg::CFormatPageDlg(std::vector<platform::FrameSizeOption> options,
                               const platform::VideoFormat& current, QWidget* parent)
    : QDialog(parent), m_page(std::move(options), current), m_pixelFormats(list("pixelFormat", this)),
      m_sizes(list("size", this)), m_rates(list("rate", this))
{
    setWindowTitle("Video Format");
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow("Pixel Format", m_pixelFormats);
    form->addRow("Output Size", m_sizes);
    form->addRow("Frame Rate", m_rates);
    layout->addLayout(form);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (m_page.chosen())
            accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pixelFormats, &QComboBox::activated, this, [this](int i) {
        m_page.selectPixelFormat(i);
        showState();
    });
    connect(m_sizes, &QComboBox::activated, this, [this](int i) {
        m_page.selectSize(i);
        showState();
    });
    connect(m_rates, &QComboBox::activated, this, [this](int i) {
        m_page.selectRate(i);
        showState();
    });
    showState();
}

void CFormatPageDlg::showState()
{
    showItems(m_pixelFormats, m_page.pixelFormats(), m_page.pixelFormat());
    showItems(m_sizes, m_page.sizeTexts(), m_page.size());
    showItems(m_rates, m_page.rateTexts(), m_page.rate());
}

} // namespace velmora::server
