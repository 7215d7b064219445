#include "common/ui/my_edit.h"

#include "common/ui/my_spin.h"

#include <QKeyEvent>
#include <QMetaObject>

namespace velmora::common {

CMyEdit::CMyEdit(int controlId, QWidget* parent) : QLineEdit(parent), m_controlId(controlId)
{
    connect(this, &QLineEdit::textEdited, this,
            [this](const QString& text) { m_field.setEditedText(text.toStdString()); });
    showField();
}

void CMyEdit::configure(std::uint32_t flags, std::int32_t minimum, std::int32_t maximum, std::int32_t step,
                        double scale, const char* format)
{
    m_field.setFlags(flags);
    m_field.setRange(minimum, maximum);
    m_field.setStep(step);
    m_field.setScale(scale);
    m_field.setFormat(format);
    m_field.setValue(m_field.value());
    showField();
}

void CMyEdit::setValue(std::int32_t value)
{
    m_field.setValue(value);
    showField();
}

void CMyEdit::setRealValue(double real)
{
    m_field.setRealValue(real);
    showField();
}

void CMyEdit::spinClicked(int delta)
{
    if (m_field.spin(delta))
        postNotification();
    showField();
}

void CMyEdit::setVisible(bool visible)
{
    QLineEdit::setVisible(visible);
    if (m_spin)
        m_spin->setVisible(visible);
}

void CMyEdit::keyPressEvent(QKeyEvent* event)
{
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        commit();
        return;
    }
    const QString text = event->text();
    const bool isCharacter = text.size() == 1 && text[0].isPrint();
    if (isCharacter && key != Qt::Key_Backspace) {
        const char16_t c = text[0].unicode();
        if (c > 0x7f || !m_field.acceptsCharacter(static_cast<char>(c)))
            return; // swallowed
    }
    QLineEdit::keyPressEvent(event);
}

void CMyEdit::focusOutEvent(QFocusEvent* event)
{
    commit();
    QLineEdit::focusOutEvent(event);
}

void CMyEdit::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::EnabledChange && m_spin)
        m_spin->setEnabled(isEnabled());
    QLineEdit::changeEvent(event);
}

void CMyEdit::commit()
{
    if (m_field.commit())
        postNotification();
    showField();
}

void CMyEdit::showField()
{
    const QString text = QString::fromStdString(m_field.text());
    if (this->text() != text)
        setText(text);
    setModified(false);
}

void CMyEdit::postNotification()
{
    const int id = m_controlId;
    const std::int32_t value = m_field.value();
    QMetaObject::invokeMethod(
        this,
        [this, id, value] {
            emit notify(id, kNotifyValueChanged);
            emit committed(id, value);
        },
        Qt::QueuedConnection);
}

} // namespace velmora::common
