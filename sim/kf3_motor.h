#pragma once
// The stepper motor of the KF-3 controller: a position that runs toward a target at a
// constant rate, computed from the clock whenever it is looked at; and the optics it
// drives through a coupling with mechanical play. After a reversal the optics stay
// where they are until the motor has taken up the play, then follow it again: they
// are always within [motor − play, motor], left at the end the motor last pushed.

#include <chrono>
#include <functional>

namespace velmora::sim {

class Kf3Motor {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    explicit Kf3Motor(Clock clock);

    int position();
    bool moving();
    int target() const { return m_target; }
    // Starts running from the present position toward `target` at `stepsPerSecond`.
    void moveTo(int target, double stepsPerSecond);
    // Stops where the motor is now.
    void stop();
    // The play in steps (0: the optics are the motor); negative values count as 0.
    void setBacklash(int steps);
    // Where the optics are now.
    int opticsPosition();

private:
    void advance();
    void followWithPlay();

    Clock m_clock;
    int m_position = 0;
    int m_start = 0;
    int m_target = 0;
    int m_optics = 0;
    int m_backlash = 0;
    double m_stepsPerSecond = 1.0;
    std::chrono::steady_clock::time_point m_startTime;
};

} // namespace velmora::sim
