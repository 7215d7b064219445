#include "server/camera/ui/bits_dlg.h"

#include "common/ui/control_form.h"
#include "common/ui/my_edit.h"
#include "common/ui/my_spin.h"
#include "server/camera/ui/camera_bitmaps.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace velmora::server {

using common::controlObjectName;
using Editor = ExposureBitsEditor;

namespace {
// Columns: "Wait", delay edit, "ms.", then the bit buttons, line 7 first.
constexpr int kFirstBitColumn = 3;
} // namespace

CBitsDlg::CBitsDlg(const ExposureSequence& sequence, QWidget* parent) : QDialog(parent), m_editor(sequence)
{
    setWindowTitle(Editor::kCaption);
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(2);
    layout->addLayout(grid);
    int row = 0;
    for (int step = 0; step < ExposureSequence::kSteps; ++step) {
        if (step == ExposureSequence::kStepsBeforeExposure)
            grid->addWidget(new QLabel(Editor::kSeparator, this), row++, 0, 1,
                            kFirstBitColumn + Editor::kLines, Qt::AlignCenter);
        buildRow(*grid, step, row++);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(controlObjectName(1));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(controlObjectName(2));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CBitsDlg::buildRow(QGridLayout& grid, int step, int row)
{
    auto* wait = new QCheckBox("Wait", this);
    wait->setObjectName(controlObjectName(Editor::waitCheckId(step)));
    wait->setChecked(m_editor.wait(step));
    connect(wait, &QCheckBox::toggled, this, [this, step](bool on) { m_editor.setWait(step, on); });
    grid.addWidget(wait, row, 0);
    m_wait[step] = wait;

    auto* cell = new QWidget(this);
    auto* cellLayout = new QHBoxLayout(cell);
    cellLayout->setContentsMargins(0, 0, 0, 0);
    cellLayout->setSpacing(0);
    auto* delay = new common::CMyEdit(Editor::delayEditId(step), cell);
    delay->setObjectName(controlObjectName(Editor::delayEditId(step)));
    delay->configure(common::kHasSpin | common::kRangeCheck, 0, ExposureSequence::kMaxDelayMs, 1, 1.0,
                     "%.0f");
    delay->setValue(m_editor.delayMs(step));
    delay->setFixedWidth(70);
    auto* spin = new common::CMySpin(delay, cell);
    spin->setObjectName(controlObjectName(Editor::delaySpinId(step)));
    cellLayout->addWidget(delay);
    cellLayout->addWidget(spin);
    connect(delay, &common::CMyEdit::committed, this,
            [this, step](int, std::int32_t ms) { m_editor.setDelayMs(step, ms); });
    grid.addWidget(cell, row, 1);
    m_delay[step] = delay;
    grid.addWidget(new QLabel("ms.", this), row, 2);

    for (int line = Editor::kLines - 1; line >= 0; --line) {
        auto* bit = new QToolButton(this);
        bit->setObjectName(controlObjectName(Editor::bitButtonId(step, line)));
        bit->setIconSize(QSize(kBitmapSize, kBitmapSize));
        connect(bit, &QToolButton::clicked, this, [this, step, line] {
            m_editor.click(step, line);
            showBit(step, line);
        });
        grid.addWidget(bit, row, kFirstBitColumn + (Editor::kLines - 1 - line));
        m_bits[step][line] = bit;
        showBit(step, line);
    }
}

void CBitsDlg::showBit(int step, int line)
{
    const int bitmap = Editor::bitmapFor(m_editor.line(step, line));
    m_bits[step][line]->setIcon(QIcon(cameraBitmap(bitmap)));
    m_bits[step][line]->setProperty("bitmap", bitmap);
}

} // namespace velmora::server
