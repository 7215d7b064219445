#pragma once
// How a command or a bar control shows: enabled, and checked (check marks of menu items
// and toolbar buttons, check-box states of commands that toggle).

namespace velmora::client {

struct CommandState {
    bool enabled = false;
    bool checked = false;

    friend bool operator==(const CommandState&, const CommandState&) = default;
};

} // namespace velmora::client
