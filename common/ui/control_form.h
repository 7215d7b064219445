#pragma once
// A form of controls found by id (a dialog bar's contents, a tool window's fields),
// laid out in rows and groups, with one signal for every committed edit, slider move,
// check-box click, list selection and button press. Its owner routes that signal to a
// core object and then shows the core's state through the setters here.

#include "common/numeric_field.h"

#include <QWidget>

#include <functional>
#include <map>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace velmora::common {
class CMyEdit;
class CMySliderCtrl;
} // namespace velmora::common

namespace velmora::common {

class ControlForm : public QWidget {
    Q_OBJECT
public:
    explicit ControlForm(QWidget* parent = nullptr);

    // Layout: controls go into the current group (a titled box) or the form itself,
    // one row after another; a row may hold several controls.
    void beginGroup(const QString& title);
    void endGroup();
    void nextRow();

    CMyEdit* addEdit(int id, const QString& label, const NumericField& field);
    QLineEdit* addResult(int id, const QString& label);
    QCheckBox* addCheck(int id, const QString& text);
    QRadioButton* addRadio(int id, const QString& text);
    QPushButton* addButton(int id, const QString& text);
    QComboBox* addList(int id, const QString& label);
    CMySliderCtrl* addSlider(int id, int minimum, int maximum);
    QLineEdit* addText(int id, const QString& label);
    QLabel* addLabel(int id, const QString& text);
    // A text that is no control (a column heading).
    void addCaption(const QString& text);
    void addWidget(int id, QWidget* widget, int columnSpan = 1);

    QWidget* control(int id) const;
    template <typename T> T* controlAs(int id) const { return qobject_cast<T*>(control(id)); }
    const std::map<int, QWidget*>& controls() const { return m_controls; }

    // Each control enabled by the rule; spins follow their edits.
    void applyEnables(const std::function<bool(int)>& enabled);
    // Values shown without notifying; an edit the user is typing in keeps its text.
    void showValue(int id, int value);
    void showChecked(int id, bool checked);
    void showText(int id, const QString& text);
    void showItems(int id, const QStringList& items, int selected);
    void showItems(int id, const std::vector<std::string>& items, int selected);

signals:
    void controlChanged(int controlId, int value);
    // A text field (addText) the user finished editing.
    void textChanged(int controlId, const QString& text);

private:
    QGridLayout* currentGrid() const;
    void place(QWidget* widget, int columnSpan = 1);
    QLabel* placeLabel(const QString& label);
    void remember(int id, QWidget* widget);

    QVBoxLayout* m_layout;
    QGridLayout* m_formGrid;
    QGridLayout* m_groupGrid = nullptr;
    int m_row = 0;
    int m_column = 0;
    std::map<int, QWidget*> m_controls;
};

// The object name under which a control of this id can be found ("id1005").
QString controlObjectName(int id);

} // namespace velmora::common
