#include "client/image/ui/plane_dlg.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace velmora::client {

CPlaneDlg::CPlaneDlg(const PlaneColours& table, QWidget* parent) : QDialog(parent), m_choices(table)
{
    setWindowTitle(QStringLiteral("Planes"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    for (int p = 0; p < m_choices.planeCount(); ++p) {
        auto* label = new QLabel(QStringLiteral("Plane %1").arg(p + 1), this);
        label->setObjectName(QStringLiteral("id%1").arg(1207 + p));
        auto* caption = new QLineEdit(QString::fromStdString(m_choices.caption(p)), this);
        caption->setObjectName(QStringLiteral("id%1").arg(1217 + p));
        auto* list = new QComboBox(this);
        list->setObjectName(QStringLiteral("id%1").arg(1227 + p));
        for (const std::string& name : PlaneChoices::colourNames())
            list->addItem(QString::fromStdString(name));
        grid->addWidget(label, p, 0);
        grid->addWidget(caption, p, 1);
        grid->addWidget(list, p, 2);
        m_lists.push_back(list);
        m_captions.push_back(caption);
        connect(list, &QComboBox::activated, this, [this, p](int code) {
            m_choices.setColour(p, static_cast<PlaneColour>(code));
            showChoices();
        });
        connect(caption, &QLineEdit::textEdited, this,
                [this, p](const QString& text) { m_choices.setCaption(p, text.toStdString()); });
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showChoices();
}

void CPlaneDlg::showChoices()
{
    for (int p = 0; p < m_choices.planeCount(); ++p)
        m_lists[static_cast<std::size_t>(p)]->setCurrentIndex(static_cast<int>(m_choices.colour(p)));
}

} // namespace velmora::client
