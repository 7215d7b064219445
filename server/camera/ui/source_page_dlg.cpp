#include "server/camera/ui/source_page_dlg.h"

#include "common/ui/my_slider_ctrl.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace velmora::server {

using platform::VideoControlType;

CSourcePageDlg::CSourcePageDlg(CameraDriver& camera, QWidget* parent) : QDialog(parent), m_page(camera)
{
    setWindowTitle("Video Source");
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    layout->addLayout(grid);
    for (std::size_t row = 0; row < m_page.rows().size(); ++row) {
        const int r = static_cast<int>(row);
        grid->addWidget(new QLabel(QString::fromStdString(m_page.rows()[row].control.name), this), r, 0);
        m_widgets.push_back(makeWidget(row));
        grid->addWidget(m_widgets.back(), r, 1);
        m_values.push_back(new QLabel(this));
        grid->addWidget(m_values.back(), r, 2);
    }
    if (m_page.rows().empty())
        grid->addWidget(new QLabel("The device has no settings.", this), 0, 0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    QPushButton* defaults = buttons->addButton("Default", QDialogButtonBox::ResetRole);
    defaults->setObjectName("default");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(defaults, &QPushButton::clicked, this, [this] {
        m_page.restoreDefaults();
        showState();
    });
    showState();
}

QWidget* CSourcePageDlg::makeWidget(std::size_t row)
{
    const platform::VideoControl& c = m_page.rows()[row].control;
    QWidget* widget = nullptr;
    switch (c.type) {
    case VideoControlType::Boolean: {
        auto* check = new QCheckBox(this);
        connect(check, &QCheckBox::clicked, this, [this, row](bool on) { change(row, on ? 1 : 0); });
        widget = check;
        break;
    }
    case VideoControlType::Menu:
    case VideoControlType::IntegerMenu: {
        auto* menu = new QComboBox(this);
        for (const auto& item : c.menu)
            menu->addItem(QString::fromStdString(item.name));
        connect(menu, &QComboBox::activated, this, [this, row](int i) {
            change(row, m_page.rows()[row].control.menu[static_cast<std::size_t>(i)].value);
        });
        widget = menu;
        break;
    }
    case VideoControlType::Button: {
        auto* button = new QPushButton(QString::fromStdString(c.name), this);
        connect(button, &QPushButton::clicked, this, [this, row] { change(row, 1); });
        widget = button;
        break;
    }
    case VideoControlType::Integer: {
        auto* slider = new common::CMySliderCtrl(static_cast<int>(row), this);
        slider->setSliderRange(c.minimum, c.maximum);
        slider->setSingleStep(std::max(1, c.step));
        slider->setFixedWidth(200);
        connect(slider, &common::CMySliderCtrl::moved, this,
                [this, row](int, std::int32_t position) { change(row, position); });
        widget = slider;
        break;
    }
    }
    widget->setObjectName(QString::fromStdString(c.name));
    return widget;
}

void CSourcePageDlg::change(std::size_t row, std::int32_t value)
{
    m_page.set(row, value);
    showState();
}

void CSourcePageDlg::showState()
{
    for (std::size_t row = 0; row < m_widgets.size(); ++row) {
        const SourcePage::Row& r = m_page.rows()[row];
        QWidget* widget = m_widgets[row];
        widget->setEnabled(r.enabled());
        const QSignalBlocker blocker(widget);
        const std::int32_t value = r.value.value_or(r.control.defaultValue);
        if (auto* check = qobject_cast<QCheckBox*>(widget))
            check->setChecked(value != 0);
        else if (auto* menu = qobject_cast<QComboBox*>(widget))
            menu->setCurrentIndex(SourcePage::menuIndex(r, value).value_or(-1));
        else if (auto* slider = qobject_cast<common::CMySliderCtrl*>(widget))
            slider->setSliderPosition(value);
        m_values[row]->setText(
            r.value && r.control.type == VideoControlType::Integer ? QString::number(*r.value) : QString());
    }
}

} // namespace velmora::server
