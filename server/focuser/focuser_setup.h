#pragma once
// What the focuser's setup dialog (dialog 107, "Focuser Setup - %s") shows and does
// over the live focuser object: every committed value is written to the KF-3 at once
// (a failed write blanks its control, a check box becomes indeterminate), "Update
// Values" reads them all back, the position is polled, the focuser moves to a typed
// position, a memory cell or by the arrows, and port, speed, link and profiles are
// chosen. CFocuserDlg lays out the controls, shows this state and forwards actions.

#include "common/numeric_field.h"
#include "server/focuser/focuser_value.h"
#include "server/frame/setup_controls.h"

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace velmora::server {

class FocuserDriver;

namespace focuser_dlg {
constexpr int kDialogId = 107;
constexpr const char* kTitleFormat = "Focuser Setup - %s";
constexpr int kLoadProfile = 1016;
constexpr int kSaveProfile = 1017;
constexpr int kConnect = 1018;
constexpr int kUpdateValues = 1019;
constexpr int kPort = 1036;
constexpr int kCursorSpeed = 1038;
constexpr int kStepNumber = 1128;
constexpr int kStepPulse = 1130;
constexpr int kStepCurrent = 1132;
constexpr int kBackNumber = 1134;
constexpr int kBackPulse = 1136;
constexpr int kBackCurrent = 1138;
constexpr int kSoft = 1140;
constexpr int kHard = 1141;
constexpr int kSoftMin = 1142;
constexpr int kSoftMax = 1144;
constexpr int kCurMin = 1146;
constexpr int kCurMax = 1147;
constexpr int kSpeedPulse1 = 1148;   // 1150, 1152
constexpr int kSpeedCurrent1 = 1154; // 1156, 1158
constexpr int kOneCell = 1160;
constexpr int kEightCells = 1161;
constexpr int kFirstCell = 1162; // to 1170: cells 0 to 8
constexpr int kFirstGo = 1171;   // to 1179
constexpr int kCells = 9;
constexpr int kStopCurrent = 1180;
constexpr int kStepSize = 1182;
constexpr int kCurrentPosition = 1184;
constexpr int kSpeed = 1191;
constexpr int kDeviceText = 1202;
constexpr int kTimerFirstRead = 1;
constexpr int kTimerPosition = 40000;
constexpr std::chrono::milliseconds kFirstReadDelay{100};
constexpr std::chrono::milliseconds kPositionPeriod{1000};
} // namespace focuser_dlg

// A check box's state: unchecked, checked, or indeterminate (value unknown).
enum class BoxState { Unchecked = 0, Checked = 1, Unknown = 2 };

// One numeric control written to the controller: its value, the value's index (speed
// 1..3, cell 0..8) and its edit's range and display scale.
struct FocuserValueControl {
    int id;
    FocuserValue value;
    int index;
    std::int32_t minimum;
    std::int32_t maximum;
    double scale;
};
const std::vector<FocuserValueControl>& focuserValueControls();
const FocuserValueControl* focuserValueControl(int id);

class FocuserSetup {
public:
    // `focuser` is borrowed for the dialog's life.
    explicit FocuserSetup(FocuserDriver& focuser);

    // Opening: the serial ports are listed again.
    void open();
    std::string title() const;
    const std::vector<std::string>& ports() const { return m_ports; }
    static const std::vector<std::string>& cursorSpeeds(); // "Speed 1" .. "Speed 3"
    static common::NumericField field(int id);

    // Link state and device text (after port, speed, link and profile changes).
    void refresh();
    bool linked() const { return m_linked; }
    std::string connectText() const { return m_linked ? "Disconnect" : "Connect"; }
    const std::string& deviceText() const { return m_deviceText; }
    bool enabled(int controlId) const;

    // What the controls show: a value (none = blank), the boxes, the cell mode.
    std::optional<std::int32_t> shown(int controlId) const;
    BoxState box(int controlId) const { return controlId == focuser_dlg::kSoft ? m_soft : m_hard; }
    std::optional<int> cellMode() const { return m_cellMode; }
    int cursorIndex() const;
    std::optional<int> portIndex() const;
    std::optional<int> speedIndex() const;
    std::int32_t stepSize() const; // hundredths of a micrometre

    // "Update Values" and the first timer: every value read back (blank when it fails).
    void readAll();
    // The position timer: unless "Current Pos." is being edited, its value read again.
    void pollPosition(bool positionHasFocus);

    // A committed edit, a list selection, a click; true when the panel must refresh
    // and read all values (a new port, speed or link).
    bool edit(int controlId, std::int32_t value);
    bool select(int controlId, int index);
    bool click(int controlId);
    void loadProfile(const std::string& name);
    void saveProfile(const std::string& name);

    // Manual motion: left/right run at the cursor speed until released (Halt), up/down
    // step once; a press of an arrow already held sends nothing.
    bool press(Arrow arrow);
    bool release(Arrow arrow);
    bool held(Arrow arrow) const { return m_pad.held(arrow); }

private:
    void blankAll();
    void readBoxes();
    void clickBox(int controlId);
    void setShown(int controlId, std::optional<std::int32_t> value);
    void writeSoftLimitFromPosition(int controlId);

    FocuserDriver& m_focuser;
    std::vector<std::string> m_ports;
    bool m_linked = false;
    std::string m_deviceText;
    std::map<int, std::optional<std::int32_t>> m_shown;
    BoxState m_soft = BoxState::Unknown;
    BoxState m_hard = BoxState::Unknown;
    std::optional<int> m_cellMode;
    ArrowPad m_pad;
};

} // namespace velmora::server
