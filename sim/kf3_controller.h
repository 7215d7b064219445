#pragma once
// The KF-3 focuser controller: text commands ending CR, each answered by one line
// ending LF CR ("Ok" to a write, the value to a read, "Error" to anything else). It
// keeps the drive parameters the driver reads and writes, a motor that runs toward its
// target at the speed of the chosen pulse length, soft end limits and memory cells.

#include "sim/kf3_motor.h"
#include "sim/serial_protocol.h"

#include <array>
#include <mutex>
#include <string>
#include <string_view>

namespace velmora::sim {

struct Kf3Parameters {
    int stepNumber = 1;
    int stepPulse = 1;
    int stepCurrent = 1;
    int backNumber = 0;
    int backPulse = 1;
    int backCurrent = 1;
    int endSwitchMode = 0; // 2 * soft + hard
    int endMin = -1000;
    int endMax = 1000;
    std::array<int, 3> speedPulse{1, 1, 1}; // ms per step of speeds 1..3
    std::array<int, 3> speedCurrent{1, 1, 1};
    int cellMode = 0; // 0 one cell, 1 eight cells
    std::array<int, 9> cells{};
    int stopCurrent = 1;
};

class Kf3Controller : public SerialProtocol {
public:
    // Travel of the motor when no soft limit applies: what fits the 7-character field.
    static constexpr int kTravelLimit = 9999999;
    // A command longer than this is not a command; the controller answers "Error".
    static constexpr std::size_t kMaxCommandLength = 64;

    explicit Kf3Controller(Kf3Motor::Clock clock = {});

    std::string onByte(char byte) override;
    // The reply to one command line (without its CR), without the line ending.
    std::string handleCommand(std::string_view line);

    int position();
    bool moving();
    int target();
    // The optics behind the motor's play (see Kf3Motor).
    int opticsPosition();
    void setBacklash(int steps);
    Kf3Parameters parameters() const;
    void setParameters(const Kf3Parameters& parameters);

private:
    std::string handleMotion(std::string_view line, bool& handled);
    std::string handleModes(std::string_view line, bool& handled);
    std::string handleRegister(std::string_view line, bool& handled);
    bool softLimits() const { return (m_parameters.endSwitchMode & 2) != 0; }
    int limitTarget(long long target) const;
    double stepsPerSecond(int speed) const;

    mutable std::mutex m_mutex;
    Kf3Parameters m_parameters;
    Kf3Motor m_motor;
    std::string m_line;
    bool m_lineTooLong = false;
};

} // namespace velmora::sim
