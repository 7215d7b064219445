#include "sim/kf3_motor.h"

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
        return;
    }
    long long done = steps > 0 ? static_cast<long long>(steps) : 0;
    m_position = static_cast<int>(m_target > m_start ? m_start + done : m_start - done);
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
