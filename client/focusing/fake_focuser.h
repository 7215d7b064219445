#pragma once
// Test support: a scripted focuser. Move takes the motor to its target at once, but
// "IsMoving" reads true for the next `movingReads` reads after it, so a run has to
// wait for the move to end; reads can be made to fail. The same focuser can be
// registered in-process as an automation driver ("Link", "Position", "IsMoving",
// "MaxStep", "MaxIncrement", "StepSize", "Move"), for tests that bind the client's
// drivers.

#include "client/focusing/focuser_access.h"
#include "platform/automation/in_process_class.h"
#include "platform/automation/variant.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace velmora::client::fakes {

class ScriptedFocuser : public FocuserAccess {
public:
    std::optional<int> position() override;
    std::optional<bool> isMoving() override;
    std::optional<int> maxStep() override { return maxStepValue; }
    std::optional<int> maxIncrement() override { return maxIncrementValue; }
    std::optional<double> stepSize() override { return stepSizeValue; }
    void move(int target) override;

    // Whether a Move was asked for while the focuser still read as moving.
    bool movedWhileMoving = false;
    int motor = 0;
    int movingReads = 1;
    int movingLeft = 0;
    // Reads that fail before the next one succeeds.
    int failPositionReads = 0;
    int failMovingReads = 0;
    std::optional<int> maxStepValue = 1000;
    std::optional<int> maxIncrementValue = 1000;
    std::optional<double> stepSizeValue = 10.0;
    std::vector<int> moves;
    // Called at every Move with the new position.
    std::function<void(int)> onMove;
};

struct FakeFocuserScript {
    bool link = true;
    ScriptedFocuser focuser;
    std::vector<VARTYPE> moveArgumentTypes;
};

std::unique_ptr<automation::InProcessClass> registerFakeFocuser(const std::string& progId,
                                                                FakeFocuserScript* script);

} // namespace velmora::client::fakes
