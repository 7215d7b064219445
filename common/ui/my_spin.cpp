#include "common/ui/my_spin.h"

#include "common/ui/my_edit.h"

#include <QToolButton>
#include <QVBoxLayout>

namespace velmora::common {

namespace {
QToolButton* arrowButton(Qt::ArrowType arrow, QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedSize(16, 11);
    return button;
}
} // namespace

CMySpin::CMySpin(CMyEdit* edit, QWidget* parent)
    : QWidget(parent), m_edit(edit), m_up(arrowButton(Qt::UpArrow, this)), m_down(arrowButton(Qt::DownArrow, this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { m_edit->spinClicked(-1); });
    connect(m_down, &QToolButton::clicked, this, [this] { m_edit->spinClicked(+1); });
    edit->setSpin(this);
    setEnabled(edit->isEnabled());
}

} // namespace velmora::common
