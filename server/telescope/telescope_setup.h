#pragma once
// What the telescope's setup dialog (dialog 108, "Telescope Setup - %s") shows and
// does over the live telescope object: the guide port and speed, the eight line
// buttons and the direction words they build, polarity, relay mode, backlash, the
// optics with F/D and resolution, connecting, profiles and manual guiding. Every
// change reaches the object at once. CTelescopeDlg lays the controls out, shows this
// state and forwards the user's actions.

#include "common/numeric_field.h"
#include "server/frame/setup_controls.h"
#include "server/telescope/pulse_guider.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace velmora::server {

class TelescopeDriver;

namespace telescope_dlg {
constexpr int kDialogId = 108;
constexpr const char* kTitleFormat = "Telescope Setup - %s";
constexpr int kLoadProfile = 1016;
constexpr int kSaveProfile = 1017;
constexpr int kConnect = 1018;
constexpr int kPort = 1036;
constexpr int kBarlow = 1039;
constexpr int kFocalRatio = 1055;
constexpr int kResolution = 1058;
constexpr int kFirstLine = 1080; // to 1087: lines 0 to 7
constexpr int kLines = 8;
constexpr int kSpeed = 1191;
constexpr int kUseRelay = 1192;
constexpr int kInvert = 1193;
constexpr int kHorBacklash = 1194;
constexpr int kVerBacklash = 1196;
constexpr int kDiameter = 1198;
constexpr int kFocal = 1200;
constexpr int kDeviceText = 1202;
constexpr int kRelayNumbers = 1203;
constexpr int kPinNumbers = 1204;
} // namespace telescope_dlg

// What a line button shows: none or the guide direction (0 North, 1 South, 2 East,
// 3 West) whose word closes that line.
using LineDirections = std::array<std::optional<int>, telescope_dlg::kLines>;

// Each line's picture: the first of North, South, East, West whose word has the
// line's value bit set.
LineDirections lineDirectionsOf(const PulseGuider::DirectionWords& words);
// The words the buttons make: each starts at 0xFF00 (every line kept), and a line
// assigned to a direction sets its value bit and clears its keep bit in that word.
PulseGuider::DirectionWords directionWordsOf(const LineDirections& lines);
// A click's next picture: none, North, South, East, West, none.
std::optional<int> nextLineDirection(std::optional<int> direction);
// The caption of a picture: "" or "N", "S", "E", "W".
const char* lineDirectionLetter(std::optional<int> direction);

const std::vector<std::string>& barlowTexts();
// F/D and resolution ('') as shown: truncated to hundredths.
std::string focalRatioText(double focalMetres, double diameterMetres);
std::string resolutionText(double diameterMetres);
// The line-number labels, left (line 7) to right (line 0): relay outputs 8 to 1,
// connector pins 9 to 2.
std::vector<std::string> lineNumbers(int labelId);

struct TelescopeStatus {
    bool connected = false;
    std::string connectText = "Connect";
    std::string deviceText;
};

struct TelescopeValues {
    int horBacklashMs = 0;
    int verBacklashMs = 0;
    int diameterMm = 0;
    int focalMm = 0;
    bool useRelay = false;
    bool invert = false;
    std::optional<int> barlowIndex;
    std::optional<int> portIndex;
    std::optional<int> speedIndex;
    LineDirections lines{};
    std::string focalRatio;
    std::string resolution;
};

class TelescopeSetup {
public:
    // `telescope` is borrowed for the dialog's life.
    explicit TelescopeSetup(TelescopeDriver& telescope);

    // Opening: the ports are listed again.
    void open();
    std::string title() const;
    const std::vector<std::string>& ports() const { return m_ports; }
    static common::NumericField field(int id);

    // Reads Connected and the device text (after every port, speed or connection change).
    const TelescopeStatus& refreshStatus();
    const TelescopeStatus& status() const { return m_status; }
    TelescopeValues values() const;
    bool enabled(int controlId) const;
    bool visible(int controlId) const;

    // A committed edit (in the edit's units), a list selection (its index), a check box
    // or button click; true when the status must be shown again.
    bool edit(int controlId, int value);
    bool select(int controlId, int index);
    bool click(int controlId, bool checked = false);
    // The profile dialogs' OK.
    void loadProfile(const std::string& name);
    void saveProfile(const std::string& name);

    // Manual guiding: the direction's word while an arrow is held, the axis's release
    // word when it is let go; a press of an arrow already held does nothing.
    bool press(Arrow arrow);
    bool release(Arrow arrow);
    bool held(Arrow arrow) const { return m_pad.held(arrow); }
    // The centre button: both axes released, every arrow shown normal.
    void releaseAll();

private:
    void clickLine(int line);

    TelescopeDriver& m_telescope;
    std::vector<std::string> m_ports;
    TelescopeStatus m_status;
    ArrowPad m_pad;
};

} // namespace velmora::server
