#pragma once
// What the three setup dialogs share: the serial speeds their speed lists offer, the
// port-kind tests of their enable rules, their titles, and the arrow buttons of
// manual motion (the telescope's guide lines, the focuser's motor).

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmora::server {

// The speed list's items, slowest first.
const std::vector<std::string>& portSpeeds();
// The index of `speed` in portSpeeds(); none when it is not one of them.
std::optional<int> portSpeedIndex(const std::string& speed);
// The index of `name` in `list`; none when it is not listed.
std::optional<int> indexIn(const std::vector<std::string>& list, const std::string& name);

bool isSerialPortName(const std::string& portName);   // contains "COM"
bool isParallelPortName(const std::string& portName); // contains "LPT"

// A dialog title from its format ("Camera Setup - %s") and the profile name.
std::string setupTitle(const char* format, const std::string& profile);

// The four arrow buttons of manual motion and the centre button that holds the
// keyboard focus.
enum class Arrow { Left, Right, Up, Down };
namespace arrow_ids {
constexpr int kLeft = 1190;
constexpr int kRight = 1188;
constexpr int kUp = 1189;
constexpr int kDown = 1187;
constexpr int kCentre = 1186;
} // namespace arrow_ids
int arrowButtonId(Arrow arrow);
std::optional<Arrow> arrowOfButton(int controlId);

// Which arrows are held, by key or mouse. A press of an arrow already held (a key's
// auto-repeat, the mouse on a button whose key is down) and a release of one not held
// change nothing, so each press acts once and each release once.
class ArrowPad {
public:
    // True when the arrow was not held before: its action is due.
    bool press(Arrow arrow);
    // True when the arrow was held: its release action is due.
    bool release(Arrow arrow);
    bool held(Arrow arrow) const { return m_held[static_cast<std::size_t>(arrow)]; }
    void releaseAll() { m_held = {}; }

private:
    std::array<bool, 4> m_held{};
};

} // namespace velmora::server
