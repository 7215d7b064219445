#pragma once
// CMyEdit: the numeric edit field, a thin view of NumericField. Committed changes
// are posted (never sent synchronously) as notify(id, 0x401).

#include "common/numeric_field.h"

#include <QLineEdit>

namespace velmora::common {

class CMySpin;

class CMyEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CMyEdit(int controlId, QWidget* parent = nullptr);

    int controlId() const { return m_controlId; }
    NumericField& field() { return m_field; }
    const NumericField& field() const { return m_field; }

    // Applies flags, range, step, scale and format at once and redisplays.
    void configure(std::uint32_t flags, std::int32_t minimum, std::int32_t maximum, std::int32_t step, double scale,
                   const char* format = "%.2f");
    void setValue(std::int32_t value);
    void setRealValue(double real);
    std::int32_t value() const { return m_field.value(); }
    double realValue() const { return m_field.realValue(); }

    // Binds the buddy spin (flag 1); enabling and showing the edit do the same to it.
    void setSpin(CMySpin* spin) { m_spin = spin; }
    CMySpin* spin() const { return m_spin; }
    void spinClicked(int delta);

    void setVisible(bool visible) override;

signals:
    void notify(int controlId, int code);
    // The same notification with the value committed then (the edit may show another
    // value by the time a posted notification arrives).
    void committed(int controlId, std::int32_t value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void commit();
    void showField();
    void postNotification();

    int m_controlId;
    NumericField m_field;
    CMySpin* m_spin = nullptr;
};

} // namespace velmora::common
