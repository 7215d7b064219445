#pragma once
// The main window's timer as the exposure cycle sees it: started with an identifier
// and a period, killed by identifier. The owner calls ExposureCycle::onTimer(id) on
// every expiry. A Qt timer serves the client, a plain loop the headless guider, and
// tests tick by hand.

namespace velmora::client {

class ExposureTimer {
public:
    virtual ~ExposureTimer() = default;
    // Starting a running timer restarts it with the new period.
    virtual void startTimer(int id, int periodMs) = 0;
    virtual void killTimer(int id) = 0;
};

} // namespace velmora::client
