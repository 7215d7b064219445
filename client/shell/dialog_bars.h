#pragma once
// The six dialog bars of the main frame: their ids, names, the command that shows or
// hides each, where they may dock, and their "not dockable" flags kept in section
// "Toolbars".

#include "client/shell/settings_layout.h"

#include <array>
#include <string>

namespace velmora::client {

enum class DialogBar { Exposure, Fields, Screenshot, Hardware, Reticle, Processing };

enum class DockSides { TopBottom, LeftRight };

struct DialogBarInfo {
    DialogBar bar;
    int barId;        // 5…10
    int templateId;   // 110…115
    int commandId;    // the Tools toolbar button
    const char* name; // its window title
    DockSides sides;
    const settings::IntSetting* notDockableSetting;
};

// In creation order: exposure, fields, screenshot (top), hardware, reticle, processing (right).
const std::array<DialogBarInfo, 6>& dialogBars();
const DialogBarInfo& dialogBarInfo(DialogBar bar);

// The "not dockable" flags: read when the frame is created, written when it goes.
class DialogBarFlags {
public:
    void load(const SettingsStore& store);
    void save(SettingsStore& store) const;
    bool notDockable(DialogBar bar) const { return m_notDockable[static_cast<std::size_t>(bar)]; }
    void setNotDockable(DialogBar bar, bool on) { m_notDockable[static_cast<std::size_t>(bar)] = on; }
    // "Dockable" in the bar's popup: checked while docking is allowed; choosing it toggles.
    bool dockableChecked(DialogBar bar) const { return !notDockable(bar); }
    void toggleDockable(DialogBar bar) { setNotDockable(bar, !notDockable(bar)); }

private:
    std::array<bool, 6> m_notDockable{};
};

} // namespace velmora::client
