#pragma once
// The main window's exposure timer on Qt: one QTimer per identifier, each expiry
// handed to the callback with its identifier.

#include "client/devices/exposure_timer.h"

#include <QObject>

#include <functional>
#include <map>

class QTimer;

namespace velmora::client {

class QtExposureTimer : public QObject, public ExposureTimer {
    Q_OBJECT
public:
    explicit QtExposureTimer(QObject* parent = nullptr) : QObject(parent) {}

    void setCallback(std::function<void(int)> onTimer) { m_onTimer = std::move(onTimer); }
    void startTimer(int id, int periodMs) override;
    void killTimer(int id) override;
    bool isRunning(int id) const;

private:
    std::function<void(int)> m_onTimer;
    std::map<int, QTimer*> m_timers;
};

} // namespace velmora::client
