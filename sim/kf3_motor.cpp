#include "sim/kf3_motor.h"

#include <algorithm>
#include <cstdlib>

namespace velmora::sim {

Kf3Motor::Kf3Motor(Clock clock) : m_clock(std::move(clock))
{
    if (!m_clock)
        m_clock = [] { return std::chrono::steady_clock::now(); };
    m_startTime = m_clock();
}

void Kf3Motor::advance()
{
    if (m_position == m_target)
        return;
    std::chrono::duration<double> elapsed = m_clock() - m_startTime;
    double steps = elapsed.count() * m_stepsPerSecond;
    long long distance = std::llabs(static_cast<long long>(m_target) - m_start);
    if (steps >= static_cast<double>(distance)) {
        m_position = m_target;
    } else {
        long long done = steps > 0 ? static_cast<long long>(steps) : 0;
        m_position = static_cast<int>(m_target > m_start ? m_start + done : m_start - done);
    }
    followWithPlay();
}

// Between two looks the motor ran one way only (every command looks first), so the
// play at the end of that run is all there is to apply.
void Kf3Motor::followWithPlay()
{
    const long long low = static_cast<long long>(m_position) - m_backlash;
    m_optics = static_cast<int>(std::clamp<long long>(m_optics, low, m_position));
}

void Kf3Motor::setBacklash(int steps)
{
    advance();
    m_backlash = std::max(steps, 0);
    followWithPlay();
}

int Kf3Motor::opticsPosition()
{
    advance();
    return m_optics;
}

int Kf3Motor::position()
{
    advance();
    return m_position;
}

bool Kf3Motor::moving()
{
    advance();
    return m_position != m_target;
}

void Kf3Motor::moveTo(int target, double stepsPerSecond)
{
    advance();
    m_start = m_position;
    m_target = target;
    m_stepsPerSecond = stepsPerSecond > 0 ? stepsPerSecond : 1.0;
    m_startTime = m_clock();
}

void Kf3Motor::stop()
{
    advance();
    m_start = m_position;
    m_target = m_position;
}

} // namespace velmora::sim
