#include "server/focuser/focuser_setup.h"

#include "server/focuser/focuser_driver.h"
#include "server/frame/scaled_value.h"

namespace velmora::server {

namespace fd = focuser_dlg;

namespace {

constexpr int kHundredths = 100;
constexpr std::int32_t kMaxPosition = 999999;
constexpr double kQuarterMs = 0.25;

bool isCell(int id)
{
    return id >= fd::kFirstCell && id < fd::kFirstCell + fd::kCells;
}

bool isGo(int id)
{
    return id >= fd::kFirstGo && id < fd::kFirstGo + fd::kCells;
}

// The controls that talk to the controller: enabled only while linked.
bool needsLink(int id)
{
    if (focuserValueControl(id) || isCell(id) || isGo(id) || arrowOfButton(id))
        return true;
    switch (id) {
    case fd::kSoft:
    case fd::kHard:
    case fd::kCurMin:
    case fd::kCurMax:
    case fd::kOneCell:
    case fd::kEightCells:
    case fd::kCurrentPosition:
    case fd::kUpdateValues:
    case arrow_ids::kCentre:
        return true;
    default:
        return false;
    }
}

} // namespace

const std::vector<FocuserValueControl>& focuserValueControls()
{
    using V = FocuserValue;
    static const std::vector<FocuserValueControl> controls = [] {
        std::vector<FocuserValueControl> c{
            {fd::kStepNumber, V::StepNumber, 0, 1, 99, 1.0},
            {fd::kStepPulse, V::StepPulse, 0, 1, 65535, kQuarterMs},
            {fd::kStepCurrent, V::StepCurrent, 0, 1, 100, 1.0},
            {fd::kBackNumber, V::BackNumber, 0, 0, 255, 1.0},
            {fd::kBackPulse, V::BackPulse, 0, 1, 255, kQuarterMs},
            {fd::kBackCurrent, V::BackCurrent, 0, 1, 100, 1.0},
            {fd::kSoftMin, V::EndMin, 0, -kMaxPosition, kMaxPosition, 1.0},
            {fd::kSoftMax, V::EndMax, 0, -kMaxPosition, kMaxPosition, 1.0},
            {fd::kStopCurrent, V::StopCurrent, 0, 1, 100, 1.0},
        };
        for (int n = 1; n <= 3; ++n) {
            c.push_back({fd::kSpeedPulse1 + 2 * (n - 1), V::SpeedPulse, n, 1, 65535, kQuarterMs});
            c.push_back({fd::kSpeedCurrent1 + 2 * (n - 1), V::SpeedCurrent, n, 1, 100, 1.0});
        }
        for (int cell = 0; cell < fd::kCells; ++cell)
            c.push_back({fd::kFirstCell + cell, V::CellValue, cell, -kMaxPosition, kMaxPosition, 1.0});
        return c;
    }();
    return controls;
}

const FocuserValueControl* focuserValueControl(int id)
{
    for (const FocuserValueControl& c : focuserValueControls()) {
        if (c.id == id)
            return &c;
    }
    return nullptr;
}

FocuserSetup::FocuserSetup(FocuserDriver& focuser) : m_focuser(focuser) {}

void FocuserSetup::open()
{
    m_focuser.ports().listPorts(m_ports, false, true);
}

std::string FocuserSetup::title() const
{
    return setupTitle(fd::kTitleFormat, m_focuser.profile());
}

const std::vector<std::string>& FocuserSetup::cursorSpeeds()
{
    static const std::vector<std::string> speeds{"Speed 1", "Speed 2", "Speed 3"};
    return speeds;
}

common::NumericField FocuserSetup::field(int id)
{
    common::NumericField f;
    std::int32_t minimum = -kMaxPosition;
    std::int32_t maximum = kMaxPosition;
    double scale = 1.0;
    if (const FocuserValueControl* c = focuserValueControl(id)) {
        minimum = c->minimum;
        maximum = c->maximum;
        scale = c->scale;
    } else if (id == fd::kStepSize) {
        minimum = 1;
        maximum = 99999;
        scale = 0.01;
    }
    std::uint32_t flags = common::kHasSpin | common::kRangeCheck;
    if (minimum < 0)
        flags |= common::kAllowMinus;
    if (scale != 1.0)
        flags |= common::kDecimalDisplay;
    f.setFlags(flags);
    f.setScale(scale);
    f.setFormat(scale != 1.0 ? "%.2f" : "%.0f");
    f.setRange(minimum, maximum);
    return f;
}

void FocuserSetup::refresh()
{
    bool linked = false;
    m_focuser.getLink(linked);
    m_linked = linked;
    m_deviceText = m_focuser.deviceStatus();
}

bool FocuserSetup::enabled(int controlId) const
{
    if (!needsLink(controlId))
        return true;
    if (!m_linked)
        return false;
    const bool oneCell = m_cellMode == 0;
    const bool eightCells = m_cellMode == 1;
    if (controlId == fd::kFirstCell || controlId == fd::kFirstGo)
        return oneCell;
    if (isCell(controlId) || isGo(controlId))
        return eightCells;
    return true;
}

std::optional<std::int32_t> FocuserSetup::shown(int controlId) const
{
    const auto it = m_shown.find(controlId);
    return it != m_shown.end() ? it->second : std::nullopt;
}

int FocuserSetup::cursorIndex() const
{
    return m_focuser.settings().cursorSpeed - 1;
}

std::optional<int> FocuserSetup::portIndex() const
{
    return indexIn(m_ports, m_focuser.settings().port);
}

std::optional<int> FocuserSetup::speedIndex() const
{
    return portSpeedIndex(m_focuser.settings().portSpeed);
}

std::int32_t FocuserSetup::stepSize() const
{
    return storedFromReal(m_focuser.settings().stepSize, kHundredths);
}

void FocuserSetup::setShown(int controlId, std::optional<std::int32_t> value)
{
    m_shown[controlId] = value;
}

void FocuserSetup::blankAll()
{
    m_shown.clear();
    m_soft = m_hard = BoxState::Unknown;
    m_cellMode.reset();
}

void FocuserSetup::readBoxes()
{
    bool soft = false;
    bool hard = false;
    if (m_focuser.readEndSwitch(soft, hard)) {
        m_soft = soft ? BoxState::Checked : BoxState::Unchecked;
        m_hard = hard ? BoxState::Checked : BoxState::Unchecked;
    } else {
        m_soft = m_hard = BoxState::Unknown;
    }
}

void FocuserSetup::readAll()
{
    blankAll();
    if (!m_linked)
        return;
    for (const FocuserValueControl& c : focuserValueControls()) {
        std::int32_t number = 0;
        if (m_focuser.readValue(c.value, c.index, number))
            setShown(c.id, number);
    }
    readBoxes();
    std::int32_t mode = 0;
    if (m_focuser.readCellMode(mode))
        m_cellMode = mode;
    pollPosition(false);
}

void FocuserSetup::pollPosition(bool positionHasFocus)
{
    if (positionHasFocus)
        return;
    std::int32_t position = 0;
    if (m_linked && m_focuser.getPosition(position) == DriverError::None)
        setShown(fd::kCurrentPosition, position);
    else
        setShown(fd::kCurrentPosition, std::nullopt);
}

bool FocuserSetup::edit(int controlId, std::int32_t value)
{
    if (const FocuserValueControl* c = focuserValueControl(controlId)) {
        const bool written = m_focuser.writeValue(c->value, c->index, value);
        setShown(controlId, written ? std::optional<std::int32_t>(value) : std::nullopt);
    } else if (controlId == fd::kCurrentPosition) {
        const bool moved = m_focuser.Move(value) == DriverError::None;
        setShown(controlId, moved ? std::optional<std::int32_t>(value) : std::nullopt);
    } else if (controlId == fd::kStepSize) {
        m_focuser.setStepSize(realFromStored(value, kHundredths));
    }
    return false;
}

bool FocuserSetup::select(int controlId, int index)
{
    if (index < 0)
        return false;
    const auto i = static_cast<std::size_t>(index);
    switch (controlId) {
    case fd::kPort:
        if (i >= m_ports.size())
            return false;
        m_focuser.setPortName(m_ports[i]);
        return true;
    case fd::kSpeed:
        if (i >= portSpeeds().size())
            return false;
        m_focuser.setPortSpeed(portSpeeds()[i]);
        return true;
    case fd::kCursorSpeed:
        m_focuser.setCursorSpeed(index + 1);
        return false;
    default:
        return false;
    }
}

void FocuserSetup::clickBox(int controlId)
{
    BoxState& clicked = controlId == fd::kSoft ? m_soft : m_hard;
    // An indeterminate box first becomes unchecked.
    clicked = clicked == BoxState::Unchecked ? BoxState::Checked : BoxState::Unchecked;
    if (!m_focuser.writeEndSwitch(m_soft == BoxState::Checked, m_hard == BoxState::Checked))
        clicked = BoxState::Unknown;
}

void FocuserSetup::writeSoftLimitFromPosition(int controlId)
{
    const int limitId = controlId == fd::kCurMin ? fd::kSoftMin : fd::kSoftMax;
    std::int32_t position = 0;
    if (m_focuser.getPosition(position) != DriverError::None) {
        setShown(limitId, std::nullopt);
        return;
    }
    edit(limitId, position);
}

bool FocuserSetup::click(int controlId)
{
    if (isGo(controlId)) {
        const int cell = controlId - fd::kFirstGo;
        const std::int32_t target =
            shown(fd::kFirstCell + cell)
                .value_or(m_focuser.settings().cellValue[static_cast<std::size_t>(cell)]);
        m_focuser.Move(target);
        return false;
    }
    switch (controlId) {
    case fd::kSoft:
    case fd::kHard:
        clickBox(controlId);
        return false;
    case fd::kCurMin:
    case fd::kCurMax:
        writeSoftLimitFromPosition(controlId);
        return false;
    case fd::kOneCell:
    case fd::kEightCells: {
        const int mode = controlId - fd::kOneCell;
        m_cellMode = m_focuser.writeCellMode(mode) ? std::optional<int>(mode) : std::nullopt;
        return false;
    }
    case fd::kUpdateValues:
        readAll();
        return false;
    case fd::kConnect:
        m_focuser.putLink(!m_linked);
        return true;
    default:
        return false;
    }
}

void FocuserSetup::loadProfile(const std::string& name)
{
    m_focuser.setPushSettingsOnLink(true);
    m_focuser.putLink(false);
    m_focuser.loadSettings(name);
    m_focuser.putLink(true);
    m_focuser.setPushSettingsOnLink(false);
}

void FocuserSetup::saveProfile(const std::string& name)
{
    m_focuser.saveSettings(name);
}

bool FocuserSetup::press(Arrow arrow)
{
    if (!m_pad.press(arrow))
        return false;
    switch (arrow) {
    case Arrow::Left:
        m_focuser.runToward(FocuserDriver::End::Left);
        break;
    case Arrow::Right:
        m_focuser.runToward(FocuserDriver::End::Right);
        break;
    case Arrow::Up:
        m_focuser.stepToward(FocuserDriver::End::Right);
        break;
    case Arrow::Down:
        m_focuser.stepToward(FocuserDriver::End::Left);
        break;
    }
    return true;
}

bool FocuserSetup::release(Arrow arrow)
{
    if (!m_pad.release(arrow))
        return false;
    if (arrow == Arrow::Left || arrow == Arrow::Right)
        m_focuser.Halt();
    return true;
}

} // namespace velmora::server
