#include "common/ui/control_form.h"

#include "common/ui/my_edit.h"
#include "common/ui/my_slider_ctrl.h"
#include "common/ui/my_spin.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velmora::common {

namespace {
// An empty column after every control takes the spare width, so controls keep their size.
constexpr int kStretchColumn = 12;
} // namespace

QString controlObjectName(int id)
{
    return QStringLiteral("id%1").arg(id);
}

ControlForm::ControlForm(QWidget* parent)
    : QWidget(parent), m_layout(new QVBoxLayout(this)), m_formGrid(new QGridLayout)
{
    m_layout->setContentsMargins(4, 4, 4, 4);
    m_layout->setSpacing(4);
    m_formGrid->setHorizontalSpacing(6);
    m_formGrid->setVerticalSpacing(3);
    m_formGrid->setColumnStretch(kStretchColumn, 1);
    m_layout->addLayout(m_formGrid);
    m_layout->addStretch(); // keeps the rows at the top when the bar is taller
}

void ControlForm::beginGroup(const QString& title)
{
    auto* box = new QGroupBox(title, this);
    m_groupGrid = new QGridLayout(box);
    m_groupGrid->setHorizontalSpacing(6);
    m_groupGrid->setVerticalSpacing(3);
    m_groupGrid->setColumnStretch(kStretchColumn, 1);
    m_layout->insertWidget(m_layout->count() - 1, box);
    m_row = 0;
    m_column = 0;
}

void ControlForm::endGroup()
{
    m_groupGrid = nullptr;
    m_formGrid = new QGridLayout;
    m_formGrid->setColumnStretch(kStretchColumn, 1);
    m_layout->insertLayout(m_layout->count() - 1, m_formGrid);
    m_row = 0;
    m_column = 0;
}

void ControlForm::nextRow()
{
    ++m_row;
    m_column = 0;
}

QGridLayout* ControlForm::currentGrid() const
{
    return m_groupGrid != nullptr ? m_groupGrid : m_formGrid;
}

void ControlForm::place(QWidget* widget, int columnSpan)
{
    currentGrid()->addWidget(widget, m_row, m_column, 1, columnSpan);
    m_column += columnSpan;
}

QLabel* ControlForm::placeLabel(const QString& label)
{
    if (label.isEmpty())
        return nullptr;
    auto* text = new QLabel(label, this);
    place(text);
    return text;
}

void ControlForm::remember(int id, QWidget* widget)
{
    widget->setObjectName(controlObjectName(id));
    m_controls[id] = widget;
}

CMyEdit* ControlForm::addEdit(int id, const QString& label, const NumericField& field)
{
    placeLabel(label);
    auto* cell = new QWidget(this);
    auto* row = new QHBoxLayout(cell);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    auto* edit = new CMyEdit(id, cell);
    edit->configure(field.flags(), field.minimum(), field.maximum(), field.step(), field.scale(),
                    field.format().c_str());
    edit->setValue(field.value());
    edit->setFixedWidth(84);
    row->addWidget(edit);
    if ((field.flags() & kHasSpin) != 0) {
        auto* spin = new CMySpin(edit, cell);
        spin->setObjectName(controlObjectName(id + 1));
        row->addWidget(spin);
    }
    place(cell);
    remember(id, edit);
    connect(edit, &CMyEdit::committed, this, &ControlForm::controlChanged);
    return edit;
}

QLineEdit* ControlForm::addResult(int id, const QString& label)
{
    placeLabel(label);
    auto* result = new QLineEdit(this);
    result->setReadOnly(true);
    result->setFixedWidth(60);
    place(result);
    remember(id, result);
    return result;
}

QLineEdit* ControlForm::addText(int id, const QString& label)
{
    placeLabel(label);
    auto* text = new QLineEdit(this);
    text->setFixedWidth(110);
    place(text);
    remember(id, text);
    connect(text, &QLineEdit::editingFinished, this, [this, id, text] {
        if (text->isModified())
            emit textChanged(id, text->text());
        text->setModified(false);
    });
    return text;
}

QCheckBox* ControlForm::addCheck(int id, const QString& text)
{
    auto* check = new QCheckBox(text, this);
    place(check);
    remember(id, check);
    connect(check, &QCheckBox::clicked, this, [this, id](bool on) { emit controlChanged(id, on ? 1 : 0); });
    return check;
}

QRadioButton* ControlForm::addRadio(int id, const QString& text)
{
    auto* radio = new QRadioButton(text, this);
    place(radio);
    remember(id, radio);
    connect(radio, &QRadioButton::clicked, this, [this, id] { emit controlChanged(id, 1); });
    return radio;
}

QPushButton* ControlForm::addButton(int id, const QString& text)
{
    auto* button = new QPushButton(text, this);
    place(button);
    remember(id, button);
    connect(button, &QPushButton::clicked, this, [this, id] { emit controlChanged(id, 0); });
    return button;
}

QComboBox* ControlForm::addList(int id, const QString& label)
{
    placeLabel(label);
    auto* list = new QComboBox(this);
    place(list);
    remember(id, list);
    connect(list, &QComboBox::activated, this, [this, id](int index) { emit controlChanged(id, index); });
    return list;
}

CMySliderCtrl* ControlForm::addSlider(int id, int minimum, int maximum)
{
    auto* slider = new CMySliderCtrl(id, this);
    slider->setSliderRange(minimum, maximum);
    slider->setFixedWidth(150);
    place(slider, 2);
    remember(id, slider);
    connect(slider, &CMySliderCtrl::moved, this, &ControlForm::controlChanged);
    return slider;
}

QLabel* ControlForm::addLabel(int id, const QString& text)
{
    auto* label = new QLabel(text, this);
    place(label, 2);
    remember(id, label);
    return label;
}

void ControlForm::addCaption(const QString& text)
{
    place(new QLabel(text, this));
}

void ControlForm::addWidget(int id, QWidget* widget, int columnSpan)
{
    widget->setParent(this);
    place(widget, columnSpan);
    remember(id, widget);
}

QWidget* ControlForm::control(int id) const
{
    const auto it = m_controls.find(id);
    return it != m_controls.end() ? it->second : nullptr;
}

void ControlForm::applyEnables(const std::function<bool(int)>& enabled)
{
    for (const auto& [id, widget] : m_controls) {
        const bool on = enabled(id);
        if (widget->isEnabled() != on)
            widget->setEnabled(on);
    }
}

void ControlForm::showValue(int id, int value)
{
    if (auto* edit = controlAs<CMyEdit>(id)) {
        if (!(edit->hasFocus() && edit->isModified()) && edit->value() != value)
            edit->setValue(value);
    } else if (auto* slider = controlAs<CMySliderCtrl>(id)) {
        if (slider->sliderPosition() != value)
            slider->setSliderPosition(value);
    }
}

void ControlForm::showChecked(int id, bool checked)
{
    if (auto* check = controlAs<QAbstractButton>(id); check != nullptr && check->isChecked() != checked)
        check->setChecked(checked);
}

void ControlForm::showText(int id, const QString& text)
{
    if (auto* line = controlAs<QLineEdit>(id); line != nullptr && line->text() != text)
        line->setText(text);
    else if (auto* label = controlAs<QLabel>(id); label != nullptr && label->text() != text)
        label->setText(text);
    else if (auto* lines = controlAs<QPlainTextEdit>(id); lines != nullptr && lines->toPlainText() != text)
        lines->setPlainText(text);
}

void ControlForm::showItems(int id, const QStringList& items, int selected)
{
    auto* list = controlAs<QComboBox>(id);
    if (list == nullptr)
        return;
    QStringList current;
    for (int i = 0; i < list->count(); ++i)
        current << list->itemText(i);
    if (current != items) {
        list->clear();
        list->addItems(items);
    }
    if (list->currentIndex() != selected)
        list->setCurrentIndex(selected);
}

void ControlForm::showItems(int id, const std::vector<std::string>& items, int selected)
{
    QStringList texts;
    for (const std::string& item : items)
        texts << QString::fromStdString(item);
    showItems(id, texts, selected);
}

} // namespace velmora::common
