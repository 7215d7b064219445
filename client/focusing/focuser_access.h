#pragma once
// The focuser as the focusing run sees it: the members it reads and the one it calls.
// The client's implementation goes through the driver call routines, so any focuser
// driver works; tests pass a scripted focuser.

#include <optional>

namespace velmora::client {

class FocuserAccess {
public:
    virtual ~FocuserAccess() = default;
    // Each read is empty when the call fails.
    virtual std::optional<int> position() = 0;
    virtual std::optional<bool> isMoving() = 0;
    virtual std::optional<int> maxStep() = 0;
    virtual std::optional<int> maxIncrement() = 0;
    // Micrometres.
    virtual std::optional<double> stepSize() = 0;
    // "Move" to an absolute position; its result is not looked at.
    virtual void move(int position) = 0;
};

} // namespace velmora::client
