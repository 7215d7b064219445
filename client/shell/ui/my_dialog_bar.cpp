#include "client/shell/ui/my_dialog_bar.h"

#include "client/shell/command_ids.h"
#include "common/ui/control_form.h"

#include <QChildEvent>
#include <QMenu>
#include <QMouseEvent>

namespace velmora::client {

namespace {

Qt::DockWidgetAreas areasOf(DockSides sides)
{
    return sides == DockSides::TopBottom ? (Qt::TopDockWidgetArea | Qt::BottomDockWidgetArea)
                                         : (Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
}

// Over a text field the cursor is the text cursor: the field keeps the right button.
bool showsTextCursor(const QWidget* widget)
{
    return widget != nullptr && widget->cursor().shape() == Qt::IBeamCursor;
}

} // namespace

CMyDialogBar::CMyDialogBar(const DialogBarInfo& info, DialogBarFlags& flags, ControlForm* form, QWidget* parent)
    : QDockWidget(QString::fromUtf8(info.name), parent), m_info(info), m_flags(flags), m_form(form),
      m_dockStyle(areasOf(info.sides))
{
    setObjectName(QString::fromUtf8(info.name));
    setFeatures(QDockWidget::DockWidgetMovable | QDockWidget::DockWidgetFloatable |
                QDockWidget::DockWidgetClosable);
    setAllowedAreas(m_dockStyle);
    setWidget(form);
    watch(this);
}

CMyDialogBar::~CMyDialogBar() = default;

void CMyDialogBar::watch(QObject* object)
{
    object->installEventFilter(this);
    for (QObject* child : object->children()) {
        if (child->isWidgetType())
            watch(child);
    }
}

void CMyDialogBar::childEvent(QChildEvent* event)
{
    if (event->added() && event->child()->isWidgetType())
        watch(event->child());
    QDockWidget::childEvent(event);
}

bool CMyDialogBar::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
        // Decided once, by the widget under the cursor, however far the event travels up.
        const QPoint global = static_cast<QMouseEvent*>(event)->globalPosition().toPoint();
        QWidget* under = childAt(mapFromGlobal(global));
        QWidget* target = under != nullptr ? under : this;
        if (watched != target)
            return false;
        if (showsTextCursor(target))
            return false;
        showDockingMenu(global);
        return true;
    }
    return QDockWidget::eventFilter(watched, event);
}

void CMyDialogBar::showDockingMenu(const QPoint& globalPosition)
{
    if (!m_menu) {
        m_menu = std::make_unique<QMenu>();
        QAction* dockable = m_menu->addAction(QStringLiteral("Dockable"));
        dockable->setData(kCommandDockable);
        dockable->setCheckable(true);
        connect(dockable, &QAction::triggered, this, [this] {
            m_flags.toggleDockable(m_info.bar);
            applyDockable();
        });
    }
    m_menu->actions().front()->setChecked(m_flags.dockableChecked(m_info.bar));
    ++m_menusShown;
    m_menu->popup(globalPosition);
}

void CMyDialogBar::applyDockable()
{
    if (!m_flags.notDockable(m_info.bar)) {
        setAllowedAreas(m_dockStyle);
        return;
    }
    const QPoint corner = mapToGlobal(QPoint(0, 0));
    setAllowedAreas(Qt::NoDockWidgetArea);
    if (!isFloating()) {
        setFloating(true);
        move(corner);
    }
}

} // namespace velmora::client
