#pragma once
// CArrowPad: the four arrow buttons of manual motion around the centre button that
// holds the keyboard focus. An arrow key pressed while the centre button has the focus,
// or an arrow button pressed with the mouse (also by a double click), reports
// pressed(); letting go reports released(). Auto-repeated keys report nothing, and
// every press gives the focus to the centre button so that the keys keep working.
// The pressed arrow button is shown pushed until it is released.

#include "server/frame/setup_controls.h"

#include <QWidget>

#include <array>
#include <functional>

class QPushButton;

namespace velmora::server {

class CArrowPad : public QWidget {
    Q_OBJECT
public:
    explicit CArrowPad(QWidget* parent = nullptr);

    QPushButton* button(Arrow arrow) const { return m_arrows[static_cast<std::size_t>(arrow)]; }
    QPushButton* centre() const { return m_centre; }
    // Each button enabled by the rule (by control id).
    void applyEnables(const std::function<bool(int)>& enabled);
    // Every arrow shown normal.
    void showAllReleased();

signals:
    void pressed(velmora::server::Arrow arrow);
    void released(velmora::server::Arrow arrow);
    void centreClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void pressArrow(Arrow arrow);
    void releaseArrow(Arrow arrow);

    std::array<QPushButton*, 4> m_arrows{};
    QPushButton* m_centre;
};

} // namespace velmora::server
