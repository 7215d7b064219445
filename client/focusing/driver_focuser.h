#pragma once
// The bound focuser driver behind FocuserAccess: "Position", "IsMoving", "MaxStep",
// "MaxIncrement" and "StepSize" read, "Move" called with a VT_I4, all through the
// driver call routines. The driver is looked up at every call, so a driver that is
// gone reads as failed.

#include "client/focusing/focuser_access.h"

#include <functional>

struct IDispatch;

namespace velmora::client {

class DriverFocuser : public FocuserAccess {
public:
    using DriverSource = std::function<IDispatch*()>;
    explicit DriverFocuser(DriverSource driver) : m_driver(std::move(driver)) {}

    std::optional<int> position() override;
    std::optional<bool> isMoving() override;
    std::optional<int> maxStep() override;
    std::optional<int> maxIncrement() override;
    std::optional<double> stepSize() override;
    void move(int position) override;

private:
    std::optional<int> readInt(const char* member);

    DriverSource m_driver;
};

} // namespace velmora::client
