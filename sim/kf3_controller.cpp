#include "sim/kf3_controller.h"

#include "sim/command_template.h"

#include <algorithm>
#include <optional>

namespace velmora::sim {

namespace {

constexpr const char* kOk = "Ok";
constexpr const char* kError = "Error";

// A drive parameter read with one command and written with another.
struct Register {
    const char* read;
    const char* write;
    int firstIndex;
    int lastIndex;
    int* (*field)(Kf3Parameters&, int index);
};

const Register kRegisters[] = {
    {"!TrSt", "!TwStxx", 0, 0, [](Kf3Parameters& p, int) { return &p.stepNumber; }},
    {"!TrSp", "!TwSpxxxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.stepPulse; }},
    {"!PrT", "!PwTxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.stepCurrent; }},
    {"!BrSt", "!BwStxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.backNumber; }},
    {"!BrSp", "!BwSpxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.backPulse; }},
    {"!PrB", "!PwBxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.backCurrent; }},
    {"!ErSl", "!EwSlxxxxxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.endMin; }},
    {"!ErSh", "!EwShxxxxxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.endMax; }},
    {"!Lr%dS", "!Lw%dSxxxxx", 1, 3, [](Kf3Parameters& p, int i) { return &p.speedPulse[i - 1]; }},
    {"!Pr%d", "!Pw%dxxx", 1, 3, [](Kf3Parameters& p, int i) { return &p.speedCurrent[i - 1]; }},
    {"!Cr%d", "!Cw%dxxxxxxx", 0, 8, [](Kf3Parameters& p, int i) { return &p.cells[i]; }},
    {"!PrS", "!PwSxxx", 0, 0, [](Kf3Parameters& p, int) { return &p.stopCurrent; }},
};

bool validSpeed(int speed)
{
    return speed >= 1 && speed <= 3;
}

} // namespace

Kf3Controller::Kf3Controller(Kf3Motor::Clock clock) : m_motor(std::move(clock)) {}

std::string Kf3Controller::onByte(char byte)
{
    if (byte != '\r') {
        if (m_line.size() < kMaxCommandLength)
            m_line += byte;
        else
            m_lineTooLong = true;
        return {};
    }
    std::string line;
    line.swap(m_line);
    bool tooLong = m_lineTooLong;
    m_lineTooLong = false;
    if (line.empty() && !tooLong)
        return {};
    return (tooLong ? std::string(kError) : handleCommand(line)) + "\n\r";
}

std::string Kf3Controller::handleCommand(std::string_view line)
{
    std::lock_guard lock(m_mutex);
    bool handled = false;
    std::string reply = handleMotion(line, handled);
    if (!handled)
        reply = handleModes(line, handled);
    if (!handled)
        reply = handleRegister(line, handled);
    return handled ? reply : kError;
}

int Kf3Controller::limitTarget(long long target) const
{
    long long low = -kTravelLimit;
    long long high = kTravelLimit;
    if (softLimits()) {
        low = std::max(low, static_cast<long long>(m_parameters.endMin));
        high = std::min(high, static_cast<long long>(m_parameters.endMax));
    }
    return static_cast<int>(std::clamp(target, low, std::max(low, high)));
}

double Kf3Controller::stepsPerSecond(int speed) const
{
    return 1000.0 / std::max(1, m_parameters.speedPulse[speed - 1]);
}

std::string Kf3Controller::handleMotion(std::string_view line, bool& handled)
{
    handled = true;
    if (matchCommand("!MS", line)) {
        m_motor.stop();
        return kOk;
    }
    if (matchCommand("!MT", line))
        return m_motor.moving() ? "On" : "Off";
    if (matchCommand("!MrP", line))
        return std::to_string(m_motor.position());
    if (auto go = matchCommand("!Mg%dPxxxxxxx", line)) {
        if (!validSpeed(go->index))
            return kError;
        m_motor.moveTo(limitTarget(go->value), stepsPerSecond(go->index));
        return kOk;
    }
    for (char end : {'L', 'R'}) {
        int direction = end == 'L' ? -1 : 1;
        if (auto step = matchCommand(end == 'L' ? "!MtLxx" : "!MtRxx", line)) {
            m_motor.moveTo(limitTarget(m_motor.position() + static_cast<long long>(direction) * step->value),
                           stepsPerSecond(1));
            return kOk;
        }
        if (auto run = matchCommand(end == 'L' ? "!MlLx" : "!MlRx", line)) {
            if (!validSpeed(run->value))
                return kError;
            m_motor.moveTo(limitTarget(static_cast<long long>(direction) * kTravelLimit),
                           stepsPerSecond(run->value));
            return kOk;
        }
    }
    handled = false;
    return {};
}

std::string Kf3Controller::handleModes(std::string_view line, bool& handled)
{
    static const char* const kEndSwitchNames[] = {"None", "Hard", "Soft", "All"};
    handled = true;
    if (matchCommand("!ErM", line))
        return kEndSwitchNames[m_parameters.endSwitchMode & 3];
    if (auto mode = matchCommand("!EwMx", line)) {
        if (mode->value < 0 || mode->value > 3)
            return kError;
        m_parameters.endSwitchMode = mode->value;
        return kOk;
    }
    if (matchCommand("!CMr", line))
        return m_parameters.cellMode ? "8 cell" : "1 cell";
    if (auto mode = matchCommand("!CMwx", line)) {
        if (mode->value < 0 || mode->value > 1)
            return kError;
        m_parameters.cellMode = mode->value;
        return kOk;
    }
    handled = false;
    return {};
}

std::string Kf3Controller::handleRegister(std::string_view line, bool& handled)
{
    for (const Register& reg : kRegisters) {
        std::optional<CommandMatch> read = matchCommand(reg.read, line);
        std::optional<CommandMatch> write = read ? std::nullopt : matchCommand(reg.write, line);
        if (!read && !write)
            continue;
        handled = true;
        int index = read ? read->index : write->index;
        if (index < reg.firstIndex || index > reg.lastIndex)
            return kError;
        int* field = reg.field(m_parameters, index);
        if (read)
            return std::to_string(*field);
        *field = write->value;
        return kOk;
    }
    handled = false;
    return {};
}

int Kf3Controller::position()
{
    std::lock_guard lock(m_mutex);
    return m_motor.position();
}

bool Kf3Controller::moving()
{
    std::lock_guard lock(m_mutex);
    return m_motor.moving();
}

int Kf3Controller::opticsPosition()
{
    std::lock_guard lock(m_mutex);
    return m_motor.opticsPosition();
}

void Kf3Controller::setBacklash(int steps)
{
    std::lock_guard lock(m_mutex);
    m_motor.setBacklash(steps);
}

int Kf3Controller::target()
{
    std::lock_guard lock(m_mutex);
    return m_motor.target();
}

Kf3Parameters Kf3Controller::parameters() const
{
    std::lock_guard lock(m_mutex);
    return m_parameters;
}

void Kf3Controller::setParameters(const Kf3Parameters& parameters)
{
    std::lock_guard lock(m_mutex);
    m_parameters = parameters;
}

} // namespace velmora::sim
