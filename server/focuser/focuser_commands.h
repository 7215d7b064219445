#pragma once
// The KF-3 controller's command table. A read command is sent as it stands; a write
// template may hold one "%d" for a small index (speed 1..3, memory cell 0..8) and ends
// with a run of "x", the value field, whose length is the field width.

namespace velmora::server {

// A drive parameter: written with one command, read back with another.
struct Kf3Command {
    const char* write;
    const char* read;
};

namespace kf3 {

// Motion.
inline constexpr const char* kHalt = "!MS";
inline constexpr const char* kMotorState = "!MT"; // reply holds "On" while moving, "Off" at rest
inline constexpr const char* kReadPosition = "!MrP";
inline constexpr const char* kMoveTo = "!Mg%dPxxxxxxx"; // %d cursor speed 1..3, value target position
inline constexpr const char* kStepLeft = "!MtLxx";      // value 1: one step toward the L end
inline constexpr const char* kStepRight = "!MtRxx";
inline constexpr const char* kRunLeft = "!MlLx"; // value cursor speed: run until kHalt
inline constexpr const char* kRunRight = "!MlRx";

// Drive parameters.
inline constexpr Kf3Command kStepNumber{"!TwStxx", "!TrSt"};
inline constexpr Kf3Command kStepPulse{"!TwSpxxxxx", "!TrSp"};
inline constexpr Kf3Command kStepCurrent{"!PwTxxx", "!PrT"};
inline constexpr Kf3Command kBackNumber{"!BwStxxx", "!BrSt"};
inline constexpr Kf3Command kBackPulse{"!BwSpxxx", "!BrSp"};
inline constexpr Kf3Command kBackCurrent{"!PwBxxx", "!PrB"};
// Value 2 * soft + hard; the read reply holds "Soft", "Hard" or "All".
inline constexpr Kf3Command kEndSwitchMode{"!EwMx", "!ErM"};
inline constexpr Kf3Command kEndMin{"!EwSlxxxxxxx", "!ErSl"};
inline constexpr Kf3Command kEndMax{"!EwShxxxxxxx", "!ErSh"};
inline constexpr Kf3Command kSpeedPulse{"!Lw%dSxxxxx", "!Lr%dS"}; // %d = speed 1..3
inline constexpr Kf3Command kSpeedCurrent{"!Pw%dxxx", "!Pr%d"};   // %d = speed 1..3
// Value 0 one cell, 1 eight cells; the read reply holds "1 cell" or "8 cell".
inline constexpr Kf3Command kCellMode{"!CMwx", "!CMr"};
inline constexpr Kf3Command kCellValue{"!Cw%dxxxxxxx", "!Cr%d"}; // %d = cell 0..8
inline constexpr Kf3Command kStopCurrent{"!PwSxxx", "!PrS"};

inline constexpr const char* kEndSwitchSoft = "Soft";
inline constexpr const char* kEndSwitchHard = "Hard";
inline constexpr const char* kEndSwitchAll = "All";
inline constexpr const char* kOneCell = "1 cell";
inline constexpr const char* kEightCells = "8 cell";
inline constexpr const char* kMoving = "On";
inline constexpr const char* kStanding = "Off";
inline constexpr const char* kWriteAccepted = "Ok";
inline constexpr const char* kRefused = "Error"; // the reply to a command the controller did not take

} // namespace kf3

} // namespace velmora::server
