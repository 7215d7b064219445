#pragma once
// What the "Load Profile" and "Save Profile" dialogs show and allow, as plain state:
// the profiles of one driver in registry order, the selected one, the name being
// entered (save only), and which buttons are enabled. The dialogs only mirror it.

#include <optional>
#include <string>
#include <vector>

namespace velmora::server {

class ProfileChooser {
public:
    enum class Kind { Load, Save };

    // Fills the list from the registry and selects the current profile (names compare
    // as the registry compares them, ignoring ASCII case); the save dialog's name
    // starts as the current profile.
    ProfileChooser(Kind kind, std::string driverName, const std::string& currentProfile);

    const std::vector<std::string>& profiles() const { return m_profiles; }
    std::optional<std::size_t> selected() const { return m_selected; }
    const std::string& enteredName() const { return m_enteredName; }

    // Selecting a profile puts its name in the save dialog's edit.
    void select(std::size_t index);
    void setEnteredName(std::string name);

    // Deletes the selected profile with all its sections; on success it leaves the list
    // and the selection moves to its neighbour. False (nothing changes) when nothing is
    // selected or the registry refuses.
    bool deleteSelected();

    // "Load Profile": something is selected.
    bool loadEnabled() const;
    // "Save Profile": the entered name can be a profile key.
    bool saveEnabled() const;
    // "Delete Profile": something is selected.
    bool deleteEnabled() const;

    // The name chosen by the default button: the selected profile (load) or the entered
    // name (save); none while that button is disabled.
    std::optional<std::string> chosenName() const;

private:
    Kind m_kind;
    std::string m_driverName;
    std::vector<std::string> m_profiles;
    std::optional<std::size_t> m_selected;
    std::string m_enteredName;
};

} // namespace velmora::server
