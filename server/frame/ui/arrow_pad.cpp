#include "server/frame/ui/arrow_pad.h"

#include "common/ui/control_form.h"
#include "server/frame/ui/bitmaps.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QPushButton>

namespace velmora::server {

namespace {

std::optional<Arrow> arrowOfKey(int key)
{
    switch (key) {
    case Qt::Key_Left:
        return Arrow::Left;
    case Qt::Key_Right:
        return Arrow::Right;
    case Qt::Key_Up:
        return Arrow::Up;
    case Qt::Key_Down:
        return Arrow::Down;
    default:
        return std::nullopt;
    }
}

Qt::ArrowType arrowType(Arrow arrow)
{
    switch (arrow) {
    case Arrow::Left:
        return Qt::LeftArrow;
    case Arrow::Right:
        return Qt::RightArrow;
    case Arrow::Up:
        return Qt::UpArrow;
    case Arrow::Down:
        break;
    }
    return Qt::DownArrow;
}

} // namespace

CArrowPad::CArrowPad(QWidget* parent) : QWidget(parent), m_centre(new QPushButton(this))
{
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(2);
    const QPoint cells[] = {{0, 1}, {2, 1}, {1, 0}, {1, 2}}; // column, row of left, right, up, down
    for (Arrow arrow : {Arrow::Left, Arrow::Right, Arrow::Up, Arrow::Down}) {
        auto* b = new QPushButton(this);
        b->setObjectName(common::controlObjectName(arrowButtonId(arrow)));
        b->setIcon(QIcon(arrowBitmap(arrowType(arrow))));
        b->setFixedSize(28, 28);
        b->setFocusPolicy(Qt::NoFocus);
        const QPoint cell = cells[static_cast<int>(arrow)];
        grid->addWidget(b, cell.y(), cell.x());
        connect(b, &QPushButton::pressed, this, [this, arrow] { pressArrow(arrow); });
        connect(b, &QPushButton::released, this, [this, arrow] { releaseArrow(arrow); });
        m_arrows[static_cast<std::size_t>(arrow)] = b;
    }
    m_centre->setObjectName(common::controlObjectName(arrow_ids::kCentre));
    m_centre->setFixedSize(28, 28);
    m_centre->setFocusPolicy(Qt::StrongFocus);
    m_centre->installEventFilter(this);
    grid->addWidget(m_centre, 1, 1);
    connect(m_centre, &QPushButton::clicked, this, &CArrowPad::centreClicked);
}

void CArrowPad::applyEnables(const std::function<bool(int)>& enabled)
{
    for (QPushButton* b : m_arrows)
        b->setEnabled(enabled(b->objectName().mid(2).toInt()));
    m_centre->setEnabled(enabled(arrow_ids::kCentre));
}

void CArrowPad::showAllReleased()
{
    for (QPushButton* b : m_arrows)
        b->setDown(false);
}

void CArrowPad::pressArrow(Arrow arrow)
{
    m_centre->setFocus(Qt::OtherFocusReason);
    emit pressed(arrow);
}

void CArrowPad::releaseArrow(Arrow arrow)
{
    emit released(arrow);
}

bool CArrowPad::eventFilter(QObject* watched, QEvent* event)
{
    const bool isKey = event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease;
    if (watched != m_centre || !isKey)
        return QWidget::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    const std::optional<Arrow> arrow = arrowOfKey(key->key());
    if (!arrow)
        return QWidget::eventFilter(watched, event);
    QPushButton* b = button(*arrow);
    if (!key->isAutoRepeat() && b->isEnabled()) {
        const bool down = event->type() == QEvent::KeyPress;
        b->setDown(down);
        if (down)
            pressArrow(*arrow);
        else
            releaseArrow(*arrow);
    }
    return true; // arrow keys never move the focus away from the centre button
}

} // namespace velmora::server
