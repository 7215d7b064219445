#pragma once
// CMySpin: the up-down buddy of a CMyEdit. The up arrow proposes −1 and the down
// arrow +1, as the platform's up-down control does; the edit turns that into
// value − delta × step.

#include <QWidget>

class QToolButton;

namespace velmora::common {

class CMyEdit;

class CMySpin : public QWidget {
    Q_OBJECT
public:
    CMySpin(CMyEdit* edit, QWidget* parent = nullptr);

    CMyEdit* edit() const { return m_edit; }
    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

private:
    CMyEdit* m_edit;
    QToolButton* m_up;
    QToolButton* m_down;
};

} // namespace velmora::common
