#pragma once
// CMyDialogBar: a dockable dialog bar. It may dock only on the sides it was created
// for; while its "not dockable" flag is set it floats and docks nowhere. A right
// button released over it (but not over a text field) offers "Dockable".

#include "client/shell/dialog_bars.h"

#include <QDockWidget>

#include <memory>

class QMenu;

namespace velmora::common {
class ControlForm;
}

namespace velmora::client {

using common::ControlForm;

class CMyDialogBar : public QDockWidget {
    Q_OBJECT
public:
    CMyDialogBar(const DialogBarInfo& info, DialogBarFlags& flags, ControlForm* form, QWidget* parent);
    ~CMyDialogBar() override;

    const DialogBarInfo& info() const { return m_info; }
    ControlForm* form() const { return m_form; }
    Qt::DockWidgetAreas dockStyle() const { return m_dockStyle; }
    // Applies the flag: the remembered dock sides, or floating at the bar's top-left corner.
    void applyDockable();
    // The popup of the right button, for the view and for tests; null until shown once.
    QMenu* dockingMenu() const { return m_menu.get(); }
    int dockingMenusShown() const { return m_menusShown; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    void watch(QObject* object);
    void showDockingMenu(const QPoint& globalPosition);

    const DialogBarInfo& m_info;
    DialogBarFlags& m_flags;
    ControlForm* m_form;
    Qt::DockWidgetAreas m_dockStyle;
    std::unique_ptr<QMenu> m_menu;
    int m_menusShown = 0;
};

} // namespace velmora::client
