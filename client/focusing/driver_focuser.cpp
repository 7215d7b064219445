#include "client/focusing/driver_focuser.h"

#include "client/devices/driver_calls.h"

namespace velmora::client {

namespace {

// The property read as the given type; empty when the read or the conversion fails.
std::optional<automation::Variant> readAs(IDispatch* driver, const char* member, VARTYPE type)
{
    automation::Variant value;
    if (GetDriverProperty(driver, member, value.get()) != S_OK)
        return std::nullopt;
    automation::Variant converted;
    if (VariantChangeType(converted.get(), value.get(), 0, type) != S_OK)
        return std::nullopt;
    return converted;
}

} // namespace

std::optional<int> DriverFocuser::readInt(const char* member)
{
    const std::optional<automation::Variant> value = readAs(m_driver(), member, VT_I4);
    if (!value)
        return std::nullopt;
    return static_cast<int>((*value)->lVal);
}

std::optional<int> DriverFocuser::position()
{
    return readInt("Position");
}

// A boolean is its 16-bit value, as every boolean the client reads.
std::optional<bool> DriverFocuser::isMoving()
{
    automation::Variant value;
    if (GetDriverProperty(m_driver(), "IsMoving", value.get()) != S_OK)
        return std::nullopt;
    return value->iVal != 0;
}

std::optional<int> DriverFocuser::maxStep()
{
    return readInt("MaxStep");
}

std::optional<int> DriverFocuser::maxIncrement()
{
    return readInt("MaxIncrement");
}

std::optional<double> DriverFocuser::stepSize()
{
    const std::optional<automation::Variant> value = readAs(m_driver(), "StepSize", VT_R8);
    if (!value)
        return std::nullopt;
    return (*value)->dblVal;
}

void DriverFocuser::move(int position)
{
    const automation::Variant target = automation::Variant::i4(position);
    CallDriverMethod(m_driver(), "Move", *target.get());
}

} // namespace velmora::client
