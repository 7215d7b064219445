#include "common/ui/my_slider_ctrl.h"

#include "common/numeric_field.h"

#include <QMetaObject>

namespace velmora::common {

CMySliderCtrl::CMySliderCtrl(int controlId, QWidget* parent) : QSlider(Qt::Horizontal, parent), m_controlId(controlId)
{
    QSlider::setRange(m_model.minimum(), m_model.maximum());
    connect(this, &QSlider::valueChanged, this, &CMySliderCtrl::onShownValue);
}

void CMySliderCtrl::setSliderRange(std::int32_t minimum, std::int32_t maximum)
{
    m_model.setRange(minimum, maximum);
    m_programmatic = true;
    QSlider::setRange(m_model.minimum(), m_model.maximum());
    QSlider::setValue(m_model.position());
    m_programmatic = false;
}

void CMySliderCtrl::setSliderPosition(std::int32_t position)
{
    m_model.setPosition(position);
    m_programmatic = true;
    QSlider::setValue(m_model.position());
    m_programmatic = false;
}

void CMySliderCtrl::onShownValue(int value)
{
    if (m_programmatic || !m_model.takeShownPosition(value))
        return;
    const int id = m_controlId;
    const std::int32_t position = m_model.position();
    QMetaObject::invokeMethod(
        this,
        [this, id, position] {
            emit notify(id, kNotifyValueChanged);
            emit moved(id, position);
        },
        Qt::QueuedConnection);
}

} // namespace velmora::common
