#include "server/focuser/focuser_driver.h"

#include "server/focuser/focuser_commands.h"

#include <cmath>

namespace velmora::server {

namespace {

constexpr std::int32_t kDefaultCursorSpeed = 1;

bool isCursorSpeed(std::int32_t speed)
{
    return speed >= 1 && speed <= 3;
}

DriverError exchanged(bool ok)
{
    return ok ? DriverError::None : DriverError::NotConnected;
}

} // namespace

FocuserDriver::FocuserDriver(PortRegistry& ports, DeviceSettings& store)
    : m_ports(ports), m_store(store), m_protocol(ports)
{
    loadSettings(kDefaultProfile);
}

FocuserDriver::~FocuserDriver()
{
    finalRelease();
}

void FocuserDriver::finalRelease()
{
    if (m_released)
        return;
    m_released = true;
    unlink();
    saveSettings(m_profile);
}

DriverError FocuserDriver::getAbsolute(bool& absolute) const
{
    absolute = true;
    return DriverError::None;
}

DriverError FocuserDriver::getIsMoving(bool& moving)
{
    std::int32_t ignored = 0;
    if (DriverError error = query(kf3::kMotorState, ignored); error != DriverError::None)
        return error;
    if (m_protocol.replyContains(kf3::kMoving))
        moving = true;
    else if (m_protocol.replyContains(kf3::kStanding))
        moving = false;
    else
        return DriverError::ExternalError;
    return DriverError::None;
}

DriverError FocuserDriver::getLink(bool& linked) const
{
    linked = m_channel != nullptr;
    return DriverError::None;
}

DriverError FocuserDriver::putLink(bool link)
{
    if (link)
        return this->link();
    unlink();
    return DriverError::None;
}

DriverError FocuserDriver::link()
{
    if (m_channel)
        return DriverError::None;
    PortChannel* channel = m_ports.openPort(m_settings.port, this);
    if (!channel)
        return DriverError::PortNotFound;
    m_ports.setBaudRate(channel, m_settings.portSpeed);
    if (m_protocol.deviceCheck(channel) == PortRegistry::kDeviceNotFound) {
        m_ports.releasePort(channel, this);
        return DriverError::DeviceNotFound;
    }
    m_channel = channel;
    Halt();
    if (m_pushSettingsOnLink)
        pushSettings();
    return DriverError::None;
}

void FocuserDriver::unlink()
{
    if (!m_channel)
        return;
    Halt();
    m_ports.releasePort(m_channel, this);
}

void FocuserDriver::pushSettings()
{
    // Individual failures are ignored: the controller keeps what it had for that value.
    auto push = [this](FocuserValue value, int index) {
        writeValue(value, index, *fieldOf(m_settings, value, index));
    };
    for (FocuserValue value : {FocuserValue::StepNumber, FocuserValue::StepPulse, FocuserValue::StepCurrent,
                               FocuserValue::BackNumber, FocuserValue::BackPulse, FocuserValue::BackCurrent})
        push(value, 0);
    // Once on behalf of each of the two flags.
    writeEndSwitch(m_settings.softSwitch, m_settings.hardSwitch);
    writeEndSwitch(m_settings.softSwitch, m_settings.hardSwitch);
    push(FocuserValue::EndMin, 0);
    push(FocuserValue::EndMax, 0);
    for (int speed = 1; speed <= 3; ++speed) {
        push(FocuserValue::SpeedPulse, speed);
        push(FocuserValue::SpeedCurrent, speed);
    }
    writeCellMode(m_settings.cellMode);
    for (int cell = 0; cell <= 8; ++cell)
        push(FocuserValue::CellValue, cell);
    push(FocuserValue::StopCurrent, 0);
}

DriverError FocuserDriver::query(const char* command, std::int32_t& value)
{
    return exchanged(m_protocol.queryValue(m_channel, command, value));
}

DriverError FocuserDriver::readEndMax(std::int32_t& steps)
{
    std::int32_t value = 0;
    if (DriverError error = query(kf3::kEndMax.read, value); error != DriverError::None)
        return error;
    m_settings.endMax = value;
    steps = value;
    return DriverError::None;
}

DriverError FocuserDriver::getMaxIncrement(std::int32_t& steps)
{
    return readEndMax(steps);
}

DriverError FocuserDriver::getMaxStep(std::int32_t& steps)
{
    return readEndMax(steps);
}

DriverError FocuserDriver::getPosition(std::int32_t& position)
{
    return query(kf3::kReadPosition, position);
}

DriverError FocuserDriver::getStepSize(double& micrometres) const
{
    micrometres = m_settings.stepSize;
    return DriverError::None;
}

DriverError FocuserDriver::getTempComp(bool& tempComp) const
{
    tempComp = false;
    return DriverError::None;
}

DriverError FocuserDriver::putTempComp(bool)
{
    return DriverError::NotSupported;
}

DriverError FocuserDriver::getTempCompAvailable(bool& available) const
{
    available = false;
    return DriverError::None;
}

DriverError FocuserDriver::getTemperature(double&) const
{
    return DriverError::NotSupported;
}

DriverError FocuserDriver::Halt()
{
    return exchanged(m_protocol.sendValue(m_channel, kf3::kHalt, 0));
}

DriverError FocuserDriver::Move(std::int32_t position)
{
    // Beyond the 7-character field the command would be cut or overrun: refused, nothing sent.
    if (!FocuserProtocol::fitsValueField(kf3::kMoveTo, position))
        return DriverError::InvalidValue;
    return exchanged(m_protocol.sendValue(
        m_channel, FocuserProtocol::withIndex(kf3::kMoveTo, m_settings.cursorSpeed), position));
}

DriverError FocuserDriver::SetupDialog()
{
    Halt();
    if (m_dialogHook)
        m_dialogHook(*this);
    Halt();
    return DriverError::None;
}

void FocuserDriver::setDialogHook(DialogHook hook)
{
    m_dialogHook = std::move(hook);
}

void FocuserDriver::loadSettings(const std::string& profile)
{
    m_profile = profile;
    m_settings.load(m_store, profile);
    // The speed becomes part of a command: anything but 1..3 would form another one.
    if (!isCursorSpeed(m_settings.cursorSpeed))
        m_settings.cursorSpeed = kDefaultCursorSpeed;
}

bool FocuserDriver::saveSettings(const std::string& profile)
{
    m_profile = profile;
    return m_settings.save(m_store, profile);
}

DriverError FocuserDriver::setPortName(const std::string& portName)
{
    unlink();
    m_settings.port = portName;
    return link();
}

DriverError FocuserDriver::setPortSpeed(const std::string& portSpeed)
{
    unlink();
    m_settings.portSpeed = portSpeed;
    return link();
}

bool FocuserDriver::setCursorSpeed(std::int32_t speed)
{
    if (!isCursorSpeed(speed))
        return false;
    m_settings.cursorSpeed = speed;
    return true;
}

void FocuserDriver::setStepSize(double micrometres)
{
    if (std::isfinite(micrometres))
        m_settings.stepSize = micrometres;
}

bool FocuserDriver::writeValue(FocuserValue value, int index, std::int32_t number)
{
    const Kf3Command* command = commandOf(value);
    std::int32_t* field = fieldOf(m_settings, value, index);
    if (!command || !field ||
        !m_protocol.sendValue(m_channel, FocuserProtocol::withIndex(command->write, index), number))
        return false;
    *field = number;
    return true;
}

bool FocuserDriver::readValue(FocuserValue value, int index, std::int32_t& number)
{
    const Kf3Command* command = commandOf(value);
    std::int32_t* field = fieldOf(m_settings, value, index);
    if (!command || !field ||
        !m_protocol.queryValue(m_channel, FocuserProtocol::withIndex(command->read, index), number))
        return false;
    *field = number;
    return true;
}

bool FocuserDriver::writeEndSwitch(bool soft, bool hard)
{
    if (!m_protocol.sendValue(m_channel, kf3::kEndSwitchMode.write, 2 * soft + hard))
        return false;
    m_settings.softSwitch = soft;
    m_settings.hardSwitch = hard;
    return true;
}

bool FocuserDriver::readEndSwitch(bool& soft, bool& hard)
{
    std::int32_t ignored = 0;
    if (!m_protocol.queryValue(m_channel, kf3::kEndSwitchMode.read, ignored))
        return false;
    bool all = m_protocol.replyContains(kf3::kEndSwitchAll);
    soft = m_settings.softSwitch = all || m_protocol.replyContains(kf3::kEndSwitchSoft);
    hard = m_settings.hardSwitch = all || m_protocol.replyContains(kf3::kEndSwitchHard);
    return true;
}

bool FocuserDriver::writeCellMode(std::int32_t mode)
{
    if ((mode != 0 && mode != 1) || !m_protocol.sendValue(m_channel, kf3::kCellMode.write, mode))
        return false;
    m_settings.cellMode = mode;
    return true;
}

bool FocuserDriver::readCellMode(std::int32_t& mode)
{
    std::int32_t ignored = 0;
    if (!m_protocol.queryValue(m_channel, kf3::kCellMode.read, ignored))
        return false;
    if (m_protocol.replyContains(kf3::kOneCell))
        mode = 0;
    else if (m_protocol.replyContains(kf3::kEightCells))
        mode = 1;
    else
        return false;
    m_settings.cellMode = mode;
    return true;
}

bool FocuserDriver::stepToward(End end)
{
    return m_protocol.sendValue(m_channel, end == End::Left ? kf3::kStepLeft : kf3::kStepRight, 1);
}

bool FocuserDriver::runToward(End end)
{
    return m_protocol.sendValue(m_channel, end == End::Left ? kf3::kRunLeft : kf3::kRunRight,
                                m_settings.cursorSpeed);
}

std::string FocuserDriver::deviceStatus()
{
    return m_protocol.deviceCheck(m_channel);
}

} // namespace velmora::server
