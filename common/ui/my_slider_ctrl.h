#pragma once
// CMySliderCtrl: a horizontal track bar that posts notify(id, 0x401) when its shown
// position differs from the stored one.

#include "common/slider_model.h"

#include <QSlider>

namespace velmora::common {

class CMySliderCtrl : public QSlider {
    Q_OBJECT
public:
    explicit CMySliderCtrl(int controlId, QWidget* parent = nullptr);

    int controlId() const { return m_controlId; }
    void setSliderRange(std::int32_t minimum, std::int32_t maximum);
    void setSliderPosition(std::int32_t position);
    std::int32_t sliderPosition() const { return m_model.position(); }

signals:
    void notify(int controlId, int code);
    // The same notification with the position it reports.
    void moved(int controlId, std::int32_t position);

private:
    void onShownValue(int value);

    int m_controlId;
    SliderModel m_model;
    bool m_programmatic = false;
};

} // namespace velmora::common
