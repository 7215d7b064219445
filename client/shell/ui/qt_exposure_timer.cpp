#include "client/shell/ui/qt_exposure_timer.h"

#include <QTimer>

namespace velmora::client {

void QtExposureTimer::startTimer(int id, int periodMs)
{
    QTimer*& timer = m_timers[id];
    if (timer == nullptr) {
        timer = new QTimer(this);
        timer->setTimerType(Qt::PreciseTimer);
        connect(timer, &QTimer::timeout, this, [this, id] {
            if (m_onTimer)
                m_onTimer(id);
        });
    }
    timer->start(periodMs);
}

void QtExposureTimer::killTimer(int id)
{
    if (auto it = m_timers.find(id); it != m_timers.end())
        it->second->stop();
}

bool QtExposureTimer::isRunning(int id) const
{
    const auto it = m_timers.find(id);
    return it != m_timers.end() && it->second->isActive();
}

} // namespace velmora::client
